// The methods of StdRegProv in root\default and root\cimv2.
#pragma once

#include <span>

#include "services/method_providers.h"

namespace pal::live {

struct RegistryMethod {
    const char16_t* name;
    services::MethodProvider provider;
};

// Every method of StdRegProv with its provider: the key methods, and a Get and Set method for each
// type of value.
std::span<const RegistryMethod> RegistryMethods();

}  // namespace pal::live
