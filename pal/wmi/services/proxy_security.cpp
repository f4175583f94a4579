#include "services/proxy_security.h"
#include "com_boundary.h"

#include <pal/wmi_control.h>
#include <winerror.h>

#include <algorithm>
#include <cstring>

#include "services/faults.h"
#include "services/process_security.h"

namespace pal::services {

namespace {

// COM's "keep what the proxy has" values for the principal name and the identity.
OLECHAR* const kDefaultPrincipal = reinterpret_cast<OLECHAR*>(static_cast<intptr_t>(-1));
void* const kDefaultIdentity = reinterpret_cast<void*>(static_cast<intptr_t>(-1));

constexpr HRESULT kBindingHasNoAuth = HRESULT_FROM_WIN32(RPC_S_BINDING_HAS_NO_AUTH);

bool ValidAuthnLevel(DWORD level)
{
    return level <= RPC_C_AUTHN_LEVEL_PKT_PRIVACY;
}
bool ValidImpLevel(DWORD level)
{
    return level <= RPC_C_IMP_LEVEL_DELEGATE;
}

// The characters of one text of an identity record, in whichever encoding its flags name.
bool CopyIdentityText(const USHORT* text, ULONG length, ULONG flags, std::u16string& copy)
{
    copy.clear();
    if (text == nullptr) {
        return length == 0;
    }
    if (flags == SEC_WINNT_AUTH_IDENTITY_ANSI) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(text);
        copy.assign(bytes, bytes + length);
    } else {
        copy.assign(reinterpret_cast<const char16_t*>(text), length);
    }
    return true;
}

OLECHAR* TaskMemCopy(const std::u16string& text)
{
    auto* copy = static_cast<OLECHAR*>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
    if (copy != nullptr) {
        std::copy(text.begin(), text.end(), copy);
        copy[text.size()] = u'\0';
    }
    return copy;
}

struct NewestProxies {
    std::mutex mutex;
    std::shared_ptr<ProxySecurity> services;
    std::shared_ptr<ProxySecurity> enumerator;
};

NewestProxies& Newest()
{
    static NewestProxies newest;
    return newest;
}

void CopyTruncated(const std::u16string& text, WCHAR (&target)[PAL_BLANKET_TEXT_SIZE])
{
    const size_t length = std::min(text.size(), static_cast<size_t>(PAL_BLANKET_TEXT_SIZE - 1));
    std::copy_n(text.begin(), length, target);
    target[length] = u'\0';
}

void FillBlanket(const BlanketRecord& record, PalBlanket& blanket)
{
    std::memset(&blanket, 0, sizeof blanket);
    blanket.wasSet = record.wasSet ? TRUE : FALSE;
    blanket.setCount = record.setCount;
    blanket.authnService = record.authnService;
    blanket.authzService = record.authzService;
    blanket.hasPrincipal = record.hasPrincipal ? TRUE : FALSE;
    blanket.authnLevel = record.authnLevel;
    blanket.impLevel = record.impLevel;
    blanket.capabilities = record.capabilities;
    blanket.hasIdentity = record.hasIdentity ? TRUE : FALSE;
    blanket.identityFlags = record.identityFlags;
    CopyTruncated(record.user, blanket.user);
    CopyTruncated(record.domain, blanket.domain);
    CopyTruncated(record.password, blanket.password);
}

}  // namespace

ProxySecurity::ProxySecurity(bool noAuthentication) : noAuthentication_(noAuthentication)
{
    const SecurityLevels levels = FixProcessSecurity();
    record_.authnLevel = noAuthentication ? RPC_C_AUTHN_LEVEL_NONE : levels.authnLevel;
    record_.impLevel = levels.impLevel;
}

HRESULT ProxySecurity::Query(DWORD* authnService, DWORD* authzService, OLECHAR** principal, DWORD* authnLevel,
                             DWORD* impLevel, void** identity, DWORD* capabilities) const
{
    if (noAuthentication_) {
        return kBindingHasNoAuth;
    }
    std::lock_guard lock(mutex_);
    const SecurityLevels process = FixProcessSecurity();
    if (authnService != nullptr) {
        *authnService =
            record_.authnService == RPC_C_AUTHN_DEFAULT ? RPC_C_AUTHN_WINNT : record_.authnService;
    }
    if (authzService != nullptr) {
        *authzService = record_.authzService == RPC_C_AUTHZ_DEFAULT ? RPC_C_AUTHZ_NONE : record_.authzService;
    }
    if (principal != nullptr) {
        *principal = nullptr;
        if (record_.hasPrincipal) {
            *principal = TaskMemCopy(record_.principal);
            if (*principal == nullptr) {
                return E_OUTOFMEMORY;
            }
        }
    }
    if (authnLevel != nullptr) {
        *authnLevel =
            record_.authnLevel == RPC_C_AUTHN_LEVEL_DEFAULT ? process.authnLevel : record_.authnLevel;
    }
    if (impLevel != nullptr) {
        *impLevel = record_.impLevel == RPC_C_IMP_LEVEL_DEFAULT ? process.impLevel : record_.impLevel;
    }
    if (identity != nullptr) {
        *identity = record_.identity;
    }
    if (capabilities != nullptr) {
        *capabilities = record_.capabilities;
    }
    return S_OK;
}

HRESULT ProxySecurity::Set(DWORD authnService, DWORD authzService, const OLECHAR* principal, DWORD authnLevel,
                           DWORD impLevel, void* identity, DWORD capabilities)
{
    if (!ValidAuthnLevel(authnLevel) || !ValidImpLevel(impLevel)) {
        return E_INVALIDARG;
    }
    std::lock_guard lock(mutex_);
    BlanketRecord next = record_;
    if (identity != kDefaultIdentity) {
        next.identity = identity;
        next.hasIdentity = identity != nullptr;
        next.identityFlags = 0;
        next.user.clear();
        next.domain.clear();
        next.password.clear();
        if (identity != nullptr) {
            const auto* record = static_cast<const COAUTHIDENTITY*>(identity);
            if (record->Flags != SEC_WINNT_AUTH_IDENTITY_UNICODE &&
                record->Flags != SEC_WINNT_AUTH_IDENTITY_ANSI) {
                return E_INVALIDARG;
            }
            next.identityFlags = record->Flags;
            if (!CopyIdentityText(record->User, record->UserLength, record->Flags, next.user) ||
                !CopyIdentityText(record->Domain, record->DomainLength, record->Flags, next.domain) ||
                !CopyIdentityText(record->Password, record->PasswordLength, record->Flags, next.password)) {
                return E_INVALIDARG;
            }
        }
    }
    if (principal != kDefaultPrincipal) {
        next.hasPrincipal = principal != nullptr;
        next.principal = principal != nullptr ? std::u16string(principal) : std::u16string();
    }
    next.authnService = authnService;
    next.authzService = authzService;
    next.authnLevel = authnLevel;
    next.impLevel = impLevel;
    next.capabilities = capabilities;
    next.wasSet = true;
    ++next.setCount;
    record_ = std::move(next);
    return S_OK;
}

BlanketRecord ProxySecurity::Snapshot() const
{
    std::lock_guard lock(mutex_);
    return record_;
}

ClientSecurityTearOff::ClientSecurityTearOff(IUnknown* proxy, std::shared_ptr<ProxySecurity> security)
    : ComObject(PAL_KIND_CLIENT_SECURITY),
      proxy_(ComPtr<IUnknown>::Share(proxy)),
      security_(std::move(security))
{
}

HRESULT ClientSecurityTearOff::QueryInterface(REFIID riid, void** ppvObject) noexcept
try {
    if (ppvObject == nullptr) {
        return E_POINTER;
    }
    if (riid == IID_IClientSecurity) {
        AddRef();
        *ppvObject = static_cast<IClientSecurity*>(this);
        return S_OK;
    }
    return proxy_->QueryInterface(riid, ppvObject);
} catch (...) {
    return CaughtOleError();
}

HRESULT ClientSecurityTearOff::QueryBlanket(IUnknown* pProxy, DWORD* pAuthnSvc, DWORD* pAuthzSvc,
                                            OLECHAR** pServerPrincName, DWORD* pAuthnLevel, DWORD* pImpLevel,
                                            void** pAuthInfo, DWORD* pCapabilites) noexcept
try {
    const CallOutcome outcome = TakeCallOutcome(PAL_WMI_QUERY_BLANKET);
    if (outcome.Fails()) {
        return outcome.answer;
    }
    if (pProxy == nullptr) {
        return E_INVALIDARG;
    }
    return security_->Query(pAuthnSvc, pAuthzSvc, pServerPrincName, pAuthnLevel, pImpLevel, pAuthInfo,
                            pCapabilites);
} catch (...) {
    return CaughtOleError();
}

HRESULT ClientSecurityTearOff::SetBlanket(IUnknown* pProxy, DWORD dwAuthnSvc, DWORD dwAuthzSvc,
                                          OLECHAR* pServerPrincName, DWORD dwAuthnLevel, DWORD dwImpLevel,
                                          void* pAuthInfo, DWORD dwCapabilities) noexcept
try {
    const CallOutcome outcome = TakeCallOutcome(PAL_WMI_SET_BLANKET);
    if (outcome.Fails()) {
        return outcome.answer;
    }
    if (pProxy == nullptr) {
        return E_INVALIDARG;
    }
    return security_->Set(dwAuthnSvc, dwAuthzSvc, pServerPrincName, dwAuthnLevel, dwImpLevel, pAuthInfo,
                          dwCapabilities);
} catch (...) {
    return CaughtOleError();
}

HRESULT ClientSecurityTearOff::CopyProxy(IUnknown* /*pProxy*/, IUnknown** ppCopy) noexcept
try {
    if (ppCopy != nullptr) {
        *ppCopy = nullptr;
    }
    return E_NOTIMPL;
} catch (...) {
    return CaughtOleError();
}

HRESULT QueryClientSecurity(IUnknown* proxy, const std::shared_ptr<ProxySecurity>& security, void** ppvObject)
{
    auto* tearOff = new (std::nothrow) ClientSecurityTearOff(proxy, security);
    if (tearOff == nullptr) {
        return E_OUTOFMEMORY;
    }
    *ppvObject = static_cast<IClientSecurity*>(tearOff);
    return S_OK;
}

void RememberNewestProxy(PalObjectKind proxyKind, std::shared_ptr<ProxySecurity> security)
{
    NewestProxies& newest = Newest();
    std::lock_guard lock(newest.mutex);
    (proxyKind == PAL_KIND_WBEM_ENUMERATOR ? newest.enumerator : newest.services) = std::move(security);
}

void ForgetNewestProxies()
{
    NewestProxies& newest = Newest();
    std::lock_guard lock(newest.mutex);
    newest.services.reset();
    newest.enumerator.reset();
}

}  // namespace pal::services

STDAPI CoSetProxyBlanket(IUnknown* pProxy, DWORD dwAuthnSvc, DWORD dwAuthzSvc, OLECHAR* pServerPrincName,
                         DWORD dwAuthnLevel, DWORD dwImpLevel, RPC_AUTH_IDENTITY_HANDLE pAuthInfo,
                         DWORD dwCapabilities)
try {
    if (pProxy == nullptr) {
        return E_INVALIDARG;
    }
    pal::ComPtr<IClientSecurity> security;
    const HRESULT hr = pProxy->QueryInterface(IID_IClientSecurity, reinterpret_cast<void**>(security.Put()));
    if (FAILED(hr)) {
        return hr;
    }
    return security->SetBlanket(pProxy, dwAuthnSvc, dwAuthzSvc, pServerPrincName, dwAuthnLevel, dwImpLevel,
                                pAuthInfo, dwCapabilities);
} catch (...) {
    return pal::CaughtOleError();
}

STDAPI CoQueryProxyBlanket(IUnknown* pProxy, DWORD* pwAuthnSvc, DWORD* pAuthzSvc, LPOLESTR* pServerPrincName,
                           DWORD* pAuthnLevel, DWORD* pImpLevel, RPC_AUTH_IDENTITY_HANDLE* pAuthInfo,
                           DWORD* pCapabilites)
try {
    if (pProxy == nullptr) {
        return E_INVALIDARG;
    }
    pal::ComPtr<IClientSecurity> security;
    const HRESULT hr = pProxy->QueryInterface(IID_IClientSecurity, reinterpret_cast<void**>(security.Put()));
    if (FAILED(hr)) {
        return hr;
    }
    return security->QueryBlanket(pProxy, pwAuthnSvc, pAuthzSvc, pServerPrincName, pAuthnLevel, pImpLevel,
                                  pAuthInfo, pCapabilites);
} catch (...) {
    return pal::CaughtOleError();
}

PALAPI BOOL PalWmiLastBlanket(int proxyKind, PalBlanket* blanket)
try {
    if (blanket == nullptr ||
        (proxyKind != PAL_KIND_WBEM_SERVICES && proxyKind != PAL_KIND_WBEM_ENUMERATOR)) {
        return FALSE;
    }
    auto& newest = pal::services::Newest();
    std::shared_ptr<pal::services::ProxySecurity> security;
    {
        std::lock_guard lock(newest.mutex);
        security = proxyKind == PAL_KIND_WBEM_ENUMERATOR ? newest.enumerator : newest.services;
    }
    if (!security) {
        return FALSE;
    }
    pal::services::FillBlanket(security->Snapshot(), *blanket);
    return TRUE;
} catch (...) {
    return pal::CaughtBoolError();
}

PALAPI BOOL PalWmiProxyBlanket(IUnknown* proxy, PalBlanket* blanket)
try {
    if (proxy == nullptr || blanket == nullptr) {
        return FALSE;
    }
    pal::ComPtr<IClientSecurity> security;
    if (FAILED(proxy->QueryInterface(IID_IClientSecurity, reinterpret_cast<void**>(security.Put())))) {
        return FALSE;
    }
    // Every IClientSecurity of the platform layer is this tear-off.
    const auto* tearOff = static_cast<const pal::services::ClientSecurityTearOff*>(security.Get());
    pal::services::FillBlanket(tearOff->Security().Snapshot(), *blanket);
    return TRUE;
} catch (...) {
    return pal::CaughtBoolError();
}
