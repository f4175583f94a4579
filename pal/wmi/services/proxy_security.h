// The security blanket of a proxy (a services or enumerator object): what QueryBlanket answers
// and what SetBlanket last applied, with copies of the identity's texts so that tests can check
// them after the caller freed its identity record.
#pragma once

#include <objbase.h>
#include <pal/testing.h>

#include <memory>
#include <mutex>
#include <string>

#include "repository/internal_api.h"
#include "owners.h"
#include "comobject.h"

namespace pal::services {

struct BlanketRecord {
    bool wasSet = false;
    LONG setCount = 0;
    DWORD authnService = RPC_C_AUTHN_WINNT;
    DWORD authzService = RPC_C_AUTHZ_NONE;
    bool hasPrincipal = false;
    std::u16string principal;
    DWORD authnLevel = RPC_C_AUTHN_LEVEL_CONNECT;
    DWORD impLevel = RPC_C_IMP_LEVEL_IDENTIFY;
    DWORD capabilities = EOAC_NONE;
    bool hasIdentity = false;
    ULONG identityFlags = 0;
    std::u16string user;
    std::u16string domain;
    std::u16string password;
    void* identity = nullptr;  // the record as given, answered by QueryBlanket
};

class PAL_INTERNAL_API ProxySecurity {
public:
    // A new proxy of a host: the process levels, or no authentication at all.
    explicit ProxySecurity(bool noAuthentication);

    HRESULT Query(DWORD* authnService, DWORD* authzService, OLECHAR** principal, DWORD* authnLevel,
                  DWORD* impLevel, void** identity, DWORD* capabilities) const;
    HRESULT Set(DWORD authnService, DWORD authzService, const OLECHAR* principal, DWORD authnLevel,
                DWORD impLevel, void* identity, DWORD capabilities);

    BlanketRecord Snapshot() const;
    bool NoAuthentication() const { return noAuthentication_; }

private:
    const bool noAuthentication_;
    mutable std::mutex mutex_;
    BlanketRecord record_;
};

// The IClientSecurity tear-off that a proxy hands out: it keeps the proxy alive and answers every
// other interface through it, so that the proxy's identity stays intact.
class ClientSecurityTearOff final : public ComObject<IClientSecurity, &IID_IClientSecurity> {
public:
    ClientSecurityTearOff(IUnknown* proxy, std::shared_ptr<ProxySecurity> security);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) noexcept override;
    HRESULT STDMETHODCALLTYPE QueryBlanket(IUnknown* pProxy, DWORD* pAuthnSvc, DWORD* pAuthzSvc,
                                           OLECHAR** pServerPrincName, DWORD* pAuthnLevel, DWORD* pImpLevel,
                                           void** pAuthInfo, DWORD* pCapabilites) noexcept override;
    HRESULT STDMETHODCALLTYPE SetBlanket(IUnknown* pProxy, DWORD dwAuthnSvc, DWORD dwAuthzSvc,
                                         OLECHAR* pServerPrincName, DWORD dwAuthnLevel, DWORD dwImpLevel,
                                         void* pAuthInfo, DWORD dwCapabilities) noexcept override;
    HRESULT STDMETHODCALLTYPE CopyProxy(IUnknown* pProxy, IUnknown** ppCopy) noexcept override;

    const ProxySecurity& Security() const { return *security_; }

private:
    ComPtr<IUnknown> proxy_;
    std::shared_ptr<ProxySecurity> security_;
};

// Answers IID_IClientSecurity for a proxy with a new tear-off.
HRESULT QueryClientSecurity(IUnknown* proxy, const std::shared_ptr<ProxySecurity>& security,
                            void** ppvObject);

// Remembers the newest proxy of its kind, for PalWmiLastBlanket.
void RememberNewestProxy(PalObjectKind proxyKind, std::shared_ptr<ProxySecurity> security);
void ForgetNewestProxies();

}  // namespace pal::services
