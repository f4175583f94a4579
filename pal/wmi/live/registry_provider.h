// The methods of StdRegProv in root\default.
#pragma once

#include "services/method_providers.h"

namespace pal::live {

HRESULT RegistryCreateKey(const services::MethodCall& call);
HRESULT RegistryDeleteKey(const services::MethodCall& call);
HRESULT RegistryEnumKey(const services::MethodCall& call);
HRESULT RegistryEnumValues(const services::MethodCall& call);
HRESULT RegistryGetStringValue(const services::MethodCall& call);
HRESULT RegistrySetStringValue(const services::MethodCall& call);
HRESULT RegistryGetDWORDValue(const services::MethodCall& call);
HRESULT RegistrySetDWORDValue(const services::MethodCall& call);
HRESULT RegistryDeleteValue(const services::MethodCall& call);

}  // namespace pal::live
