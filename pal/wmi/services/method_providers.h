// Method providers: the C++ functions that carry out WMI methods, registered per class and
// method name (names compare case-insensitively).
#pragma once

#include <wbemidl.h>

#include <string_view>

#include "repository/internal_api.h"
#include "repository/repository.h"

namespace pal::services {

struct MethodCall {
    wmi::Repository& repository;
    std::u16string_view nameSpace;
    std::u16string_view className;    // the class of the path the method runs on
    IWbemClassObject* instance;       // the instance of an instance path; null for a static call
    IWbemClassObject* inParameters;   // null when the caller gave none
    IWbemClassObject* outParameters;  // a new instance of the output signature; null without one
};

// The provider fills the output parameters (ReturnValue among them) and answers an HRESULT.
using MethodProvider = HRESULT (*)(const MethodCall& call);

// Registers (or replaces) the provider of a method of a class. The provider also serves the
// method on subclasses that do not have their own.
PAL_INTERNAL_API void RegisterMethodProvider(std::u16string_view className, std::u16string_view methodName,
                                             MethodProvider provider);
PAL_INTERNAL_API void UnregisterMethodProvider(std::u16string_view className, std::u16string_view methodName);

// The provider registered for the class or its nearest ancestor that has one; null when none.
MethodProvider FindMethodProvider(const wmi::Repository& repository, std::u16string_view nameSpace,
                                  std::u16string_view className, std::u16string_view methodName);

// Registers the providers of the shipped test namespace's methods.
void RegisterShippedMethodProviders();

}  // namespace pal::services
