// IWbemLocator: connects to a namespace of the local machine or of a configured remote host,
// checking the credentials as WMI and Windows do.
#pragma once

#include <wbemidl.h>

#include "comobject.h"
#include "repository/internal_api.h"

namespace pal::services {

class PAL_INTERNAL_API Locator final : public ComObject<IWbemLocator, &IID_IWbemLocator> {
public:
    Locator();

    HRESULT STDMETHODCALLTYPE ConnectServer(const BSTR strNetworkResource, const BSTR strUser,
                                            const BSTR strPassword, const BSTR strLocale, LONG lSecurityFlags,
                                            const BSTR strAuthority, IWbemContext* pCtx,
                                            IWbemServices** ppNamespace) noexcept override;

private:
    HRESULT Connect(const BSTR strNetworkResource, const BSTR strUser, const BSTR strPassword,
                    LONG lSecurityFlags, const BSTR strAuthority, IWbemServices** ppNamespace) const;
};

}  // namespace pal::services
