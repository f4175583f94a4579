// The network resource of IWbemLocator::ConnectServer: `\\HOST\root\cimv2`, `//HOST/root/cimv2`
// or, for the local machine, just the namespace `root\cimv2`.
#pragma once

#include <wbemidl.h>

#include <string>
#include <string_view>

#include "repository/internal_api.h"

namespace pal::services {

struct NetworkResource {
    std::u16string host;       // empty when the resource names no host
    std::u16string nameSpace;  // with backslashes
};

// S_OK, WBEM_E_INVALID_NAMESPACE for a resource without a host or namespace, or
// WBEM_E_INVALID_PARAMETER for an empty host (`\\\root`). A host without a namespace (`\\HOST`,
// `\\HOST\`) parses with an empty namespace: connecting answers as the host does.
PAL_INTERNAL_API HRESULT ParseNetworkResource(std::u16string_view text, NetworkResource& resource);

}  // namespace pal::services
