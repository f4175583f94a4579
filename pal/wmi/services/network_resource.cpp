#include "services/network_resource.h"

namespace pal::services {

namespace {

bool IsSeparator(char16_t c)
{
    return c == u'\\' || c == u'/';
}

}  // namespace

HRESULT ParseNetworkResource(std::u16string_view text, NetworkResource& resource)
{
    resource = NetworkResource{};
    std::u16string_view rest = text;
    if (rest.size() >= 2 && IsSeparator(rest[0]) && IsSeparator(rest[1])) {
        rest.remove_prefix(2);
        size_t end = 0;
        while (end < rest.size() && !IsSeparator(rest[end])) {
            ++end;
        }
        if (end == 0) {
            // `\\` and nothing more names nothing; a third separator, an empty host.
            return rest.empty() ? WBEM_E_INVALID_NAMESPACE : WBEM_E_INVALID_PARAMETER;
        }
        resource.host.assign(rest.substr(0, end));
        if (end == rest.size()) {
            // A host without a namespace: WMI asks the host first, which fails when it is unknown.
            return S_OK;
        }
        rest.remove_prefix(end + 1);
        if (rest.empty()) {
            return S_OK;
        }
    }
    if (rest.empty() || IsSeparator(rest.front()) || IsSeparator(rest.back())) {
        return WBEM_E_INVALID_NAMESPACE;
    }
    resource.nameSpace.assign(rest);
    for (char16_t& c : resource.nameSpace) {
        if (c == u'/') {
            c = u'\\';
        }
    }
    return S_OK;
}

}  // namespace pal::services
