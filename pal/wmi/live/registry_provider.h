// The methods of StdRegProv in root\default and root\cimv2.
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
HRESULT RegistryGetExpandedStringValue(const services::MethodCall& call);
HRESULT RegistrySetExpandedStringValue(const services::MethodCall& call);
HRESULT RegistryGetMultiStringValue(const services::MethodCall& call);
HRESULT RegistrySetMultiStringValue(const services::MethodCall& call);
HRESULT RegistryGetQWORDValue(const services::MethodCall& call);
HRESULT RegistrySetQWORDValue(const services::MethodCall& call);
HRESULT RegistryGetBinaryValue(const services::MethodCall& call);
HRESULT RegistrySetBinaryValue(const services::MethodCall& call);
HRESULT RegistryCheckAccess(const services::MethodCall& call);

}  // namespace pal::live
