#include "wmi/WmiService.h"

#include <new>
#include <utility>

namespace wmibridge {
namespace {

// The calling thread's COM initialisation made for one connect: given back on the way out unless
// the connect succeeds and hands it to the session.
class CConnectApartment {
public:
    CConnectApartment() = default;
    ~CConnectApartment()
    {
        if (m_owned) {
            CoUninitialize();
        }
    }
    CConnectApartment(const CConnectApartment&) = delete;
    CConnectApartment& operator=(const CConnectApartment&) = delete;

    void HandOver() noexcept { m_owned = false; }

private:
    bool m_owned = true;
};

// Wipes a password text on every way out of the connect; a text the session took over is empty.
class CWipeOnExit {
public:
    explicit CWipeOnExit(CBstr& text) noexcept : m_text(text) {}
    ~CWipeOnExit() { m_text.Wipe(); }
    CWipeOnExit(const CWipeOnExit&) = delete;
    CWipeOnExit& operator=(const CWipeOnExit&) = delete;

private:
    CBstr& m_text;
};

}  // namespace

CWmiService::CWmiService(CComRef<IWbemServices> services, CBstr authority, CBstr user, CBstr password,
                         CBstr domain, CRefPtr<CAuthIdentity> identity,
                         HRESULT hrOfComInitialisation) noexcept
    : m_apartment(hrOfComInitialisation),
      m_identity(std::move(identity)),
      m_authority(std::move(authority)),
      m_user(std::move(user)),
      m_password(std::move(password)),
      m_domain(std::move(domain)),
      m_services(std::move(services))
{
}

CWmiService::~CWmiService()
{
    m_password.Wipe();
}

bool IsOsVersion51OrLater() noexcept
{
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExW(&info)) {
        return false;
    }
    return info.dwMajorVersion > 5 || (info.dwMajorVersion == 5 && info.dwMinorVersion > 0);
}

bool ConnectMayBoundWait() noexcept
{
    static const bool bounded = IsOsVersion51OrLater();
    return bounded;
}

HRESULT InitializeCom(DWORD authnLevel, DWORD impLevel) noexcept
{
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(hr)) {
        return hr;
    }
    const HRESULT hrSecurity = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, authnLevel, impLevel,
                                                    nullptr, EOAC_NONE, nullptr);
    if (hrSecurity == RPC_E_TOO_LATE) {
        return hr;
    }
    if (FAILED(hrSecurity)) {
        CoUninitialize();
    }
    return hrSecurity;
}

ErrorCode ServiceConnect(const WCHAR* resource, const WCHAR* authority, const WCHAR* user,
                         const WCHAR* password, CRefPtr<CWmiService>& session) noexcept
{
    if (!session.IsEmpty() || resource == nullptr) {
        return kInvalidParameter;
    }
    const HRESULT hrInit = InitializeCom(RPC_C_AUTHN_LEVEL_CONNECT, RPC_C_IMP_LEVEL_IMPERSONATE);
    if (FAILED(hrInit)) {
        return HResultToCode(hrInit);
    }
    // From here on the thread's initialisation belongs to this connect: the session takes it over,
    // or it is given back when everything below has been released.
    CConnectApartment apartment;

    CComRef<IWbemLocator> locator;
    HRESULT hr = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                  reinterpret_cast<void**>(locator.Put()));
    if (FAILED(hr)) {
        return HResultToCode(hr);
    }
    if (!locator) {
        return kObjectNotFound;
    }
    CBstr resourceText(resource);
    CBstr authorityText(authority);
    CBstr passwordText(password);
    CWipeOnExit wipePassword(passwordText);
    CBstr userText(user);
    text::CTextBuffer domainBuffer;
    const WCHAR* domain = user != nullptr ? ExtractDomain(user, domainBuffer) : nullptr;
    CBstr domainText(domain);
    const LONG flags = ConnectMayBoundWait() ? static_cast<LONG>(WBEM_FLAG_CONNECT_USE_MAX_WAIT) : 0;

    CComRef<IWbemServices> services;
    hr = locator->ConnectServer(resourceText.Get(), userText.Get(), passwordText.Get(), nullptr, flags,
                                authorityText.Get(), nullptr, services.Put());
    if (hr == static_cast<HRESULT>(WBEM_E_LOCAL_CREDENTIALS)) {
        // Credentials are refused for the local machine: connect as the caller instead, but keep
        // the credentials as given for the session and its blankets.
        hr = locator->ConnectServer(resourceText.Get(), nullptr, nullptr, nullptr, flags, authorityText.Get(),
                                    nullptr, services.Put());
    }
    if (FAILED(hr)) {
        return HResultToCode(hr);
    }
    if (!services) {
        return kObjectNotFound;
    }
    CRefPtr<CAuthIdentity> identity = CreateAuthIdentity(user, domain, password);
    hr = SecureProxy(services.Get(), user, password, identity.Get());
    if (FAILED(hr)) {
        return HResultToCode(hr);
    }
    auto* created = new (std::nothrow)
        CWmiService(std::move(services), std::move(authorityText), std::move(userText),
                    std::move(passwordText), std::move(domainText), std::move(identity), hrInit);
    if (created == nullptr) {
        return kOutOfMemory;
    }
    apartment.HandOver();
    session = created;
    return kSuccess;
}

}  // namespace wmibridge
