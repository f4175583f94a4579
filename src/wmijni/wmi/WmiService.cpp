#include "wmi/WmiService.h"

#include <new>
#include <utility>

namespace wmibridge {
namespace {

constexpr HRESULT kLocalCredentials = static_cast<HRESULT>(0x80041064);  // WBEM_E_LOCAL_CREDENTIALS

}  // namespace

CWmiService::CWmiService(IWbemServices* services, CBstr authority, CBstr user, CBstr password, CBstr domain,
                         CRefPtr<CAuthIdentity> identity, HRESULT hrOfComInitialisation) noexcept
    : m_apartment(hrOfComInitialisation),
      m_services(services),
      m_authority(std::move(authority)),
      m_user(std::move(user)),
      m_password(std::move(password)),
      m_domain(std::move(domain)),
      m_identity(std::move(identity))
{
    if (m_services != nullptr) {
        m_services->AddRef();
    }
}

CWmiService::~CWmiService()
{
    if (m_services != nullptr) {
        m_services->Release();
        m_services = nullptr;
    }
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

bool ServiceConnect(CRefPtr<CWmiService>& session, const WCHAR* resource, const WCHAR* authority,
                    const WCHAR* user, const WCHAR* password, ErrorCode& code) noexcept
{
    code = kInvalidParameter;
    if (!session.IsEmpty() || resource == nullptr) {
        return false;
    }
    const HRESULT hrInit = InitializeCom(RPC_C_AUTHN_LEVEL_CONNECT, RPC_C_IMP_LEVEL_IMPERSONATE);
    if (FAILED(hrInit)) {
        code = HResultToCode(hrInit);
        return false;
    }
    // From here on the thread's initialisation belongs to this connect: the session takes it over,
    // or it is given back before returning.
    HRESULT hr = S_OK;
    {
        CComRef<IWbemLocator> locator;
        hr = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                              reinterpret_cast<void**>(locator.Put()));
        if (SUCCEEDED(hr) && !locator) {
            hr = static_cast<HRESULT>(0x80070000 | kObjectNotFound);
        }
        if (SUCCEEDED(hr)) {
            CBstr resourceText(resource);
            CBstr authorityText(authority);
            CBstr passwordText(password);
            CBstr userText(user);
            text::CTextBuffer domainBuffer;
            const WCHAR* domain = user != nullptr ? ExtractDomain(user, domainBuffer) : nullptr;
            CBstr domainText(domain);
            const LONG flags = ConnectMayBoundWait() ? static_cast<LONG>(WBEM_FLAG_CONNECT_USE_MAX_WAIT) : 0;

            CComRef<IWbemServices> services;
            hr = locator->ConnectServer(resourceText.Get(), userText.Get(), passwordText.Get(), nullptr,
                                        flags, authorityText.Get(), nullptr, services.Put());
            if (hr == kLocalCredentials) {
                // Credentials are refused for the local machine: connect as the caller instead,
                // but keep the credentials as given for the session and its blankets.
                hr = locator->ConnectServer(resourceText.Get(), nullptr, nullptr, nullptr, flags,
                                            authorityText.Get(), nullptr, services.Put());
            }
            if (SUCCEEDED(hr) && !services) {
                hr = static_cast<HRESULT>(0x80070000 | kObjectNotFound);
            }
            if (SUCCEEDED(hr)) {
                CRefPtr<CAuthIdentity> identity = CreateAuthIdentity(user, domain, password);
                hr = SecureProxy(services.Get(), user, password, identity.Get());
                if (SUCCEEDED(hr)) {
                    auto* created = new (std::nothrow) CWmiService(
                        services.Get(), std::move(authorityText), std::move(userText),
                        std::move(passwordText), std::move(domainText), std::move(identity), hrInit);
                    if (created == nullptr) {
                        hr = E_OUTOFMEMORY;
                    } else {
                        session = created;
                    }
                }
            }
            passwordText.Wipe();
        }
    }
    if (FAILED(hr)) {
        CoUninitialize();
    }
    code = SUCCEEDED(hr) ? kSuccess : HResultToCode(hr);
    return code == kSuccess;
}

}  // namespace wmibridge
