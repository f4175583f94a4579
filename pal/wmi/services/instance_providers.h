// Instance providers: C++ functions that make the instances of a class when they are asked for,
// instead of the repository's stored ones. Registered per namespace and class (names compare
// case-insensitively); a query asks for every instance and evaluates its WHERE clause on them, a
// GetObject asks for the one instance with the given keys.
#pragma once

#include <wbemidl.h>

#include <string_view>
#include <vector>

#include "repository/internal_api.h"
#include "owners.h"
#include "repository/repository.h"

namespace pal::services {

struct InstanceRequest {
    const wmi::Repository& repository;
    std::u16string_view nameSpace;
    IWbemClassObject* classObject;  // the class whose instances are wanted, to spawn them from
};

// Appends every instance of the class. An instance that cannot be read is left out; the result
// fails only when nothing sensible can be answered (out of memory, a class the provider does not
// know).
using InstanceEnumerator = HRESULT (*)(const InstanceRequest& request,
                                       std::vector<wmi::ObjectPtr>& instances);
// The instance whose keys are `keys`: WBEM_E_NOT_FOUND when there is none.
using InstanceLookup = HRESULT (*)(const InstanceRequest& request, const std::vector<wmi::KeyBinding>& keys,
                                   IWbemClassObject** instance);

struct InstanceProvider {
    InstanceEnumerator enumerate = nullptr;
    // Optional: without it a lookup enumerates the class and compares the keys.
    InstanceLookup lookup = nullptr;
};

// Registers (or replaces) the provider of a class in a namespace (`root\cimv2`).
PAL_INTERNAL_API void RegisterInstanceProvider(std::u16string_view nameSpace, std::u16string_view className,
                                               InstanceProvider provider);
PAL_INTERNAL_API void UnregisterInstanceProvider(std::u16string_view nameSpace,
                                                 std::u16string_view className);

// Registers the host's providers (instances and methods) the first time it is called.
void EnsureLiveProviders();

// The provider of the class in the namespace; a provider without `enumerate` when none, or when a
// MOF fixture declares the class.
InstanceProvider FindInstanceProvider(const wmi::Repository& repository, std::u16string_view nameSpace,
                                      std::u16string_view className);

// Every instance of a class: made by its instance provider when it has one, otherwise the
// repository's (of the class and its subclasses). `classObject` is the class, to spawn them from.
HRESULT InstancesOfClass(const wmi::Repository& repository, std::u16string_view nameSpace,
                         std::u16string_view className, IWbemClassObject* classObject,
                         std::vector<wmi::ObjectPtr>& instances);

// Every instance of a provided class, or the one with the given keys. These wrap the provider so
// that no C++ exception leaves it.
HRESULT ProvidedInstances(const InstanceProvider& provider, const InstanceRequest& request,
                          std::vector<wmi::ObjectPtr>& instances);
HRESULT ProvidedInstance(const InstanceProvider& provider, const InstanceRequest& request,
                         const std::vector<wmi::KeyBinding>& keys, IWbemClassObject** instance);

// Appends the instances that providers make for the subclasses of a class, so that a query of a
// superclass (CIM_Process) finds what its provided subclasses (Win32_Process) hold.
HRESULT ProvidedSubclassInstances(const wmi::Repository& repository, std::u16string_view nameSpace,
                                  std::u16string_view className, std::vector<wmi::ObjectPtr>& instances);

// The providers built into the emulator (those that fill the standard classes from the host)
// register themselves through this function, called once, before the first provider is looked
// up. winpal installs it as the library loads (pal/winpal.cpp).
using BuiltinProviders = void (*)();
void SetBuiltinProviders(BuiltinProviders registerAll) noexcept;

}  // namespace pal::services
