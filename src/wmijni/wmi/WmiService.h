// CWmiService: one WMI session — the IWbemServices proxy of one namespace, with the credentials
// it was opened with, which every query enumerator of the session is secured with again.
#pragma once

#include "platform/ComHolders.h"
#include "platform/platform.h"
#include "wmi/ComApartment.h"
#include "wmi/ErrorCodes.h"
#include "wmi/ProxySecurity.h"
#include "wmi/RefPtr.h"

namespace wmibridge {

class CWmiService final : public CRefCounted {
public:
    // Takes over the services proxy, the texts, the identity and the COM initialisation of the
    // connect that made it.
    CWmiService(CComRef<IWbemServices> services, CBstr authority, CBstr user, CBstr password, CBstr domain,
                CRefPtr<CAuthIdentity> identity, HRESULT hrOfComInitialisation) noexcept;
    ~CWmiService();

    IWbemServices* Services() const { return m_services.Get(); }
    BSTR User() const { return m_user.Get(); }
    BSTR Password() const { return m_password.Get(); }
    BSTR Authority() const { return m_authority.Get(); }
    BSTR Domain() const { return m_domain.Get(); }
    const CRefPtr<CAuthIdentity>& Identity() const { return m_identity; }

private:
    // Members are destroyed from the last up, and that order matters: the proxy goes first, then
    // the identity record that secures it, and COM is given back after everything is released.
    CComInitHold m_apartment;
    CRefPtr<CAuthIdentity> m_identity;
    CBstr m_authority;
    CBstr m_user;
    CBstr m_password;
    CBstr m_domain;
    CComRef<IWbemServices> m_services;
};

// The system is Windows XP (5.1) or later, where ConnectServer may be told to bound its wait:
// asked of the system once, on first use, and remembered for the process.
bool ConnectMayBoundWait() noexcept;
bool IsOsVersion51OrLater() noexcept;

// COM initialisation of the calling thread (multithreaded apartment) and the process security.
// When the security cannot be set for another reason than being set already, the thread's
// initialisation is undone before the failure is returned.
HRESULT InitializeCom(DWORD authnLevel, DWORD impLevel) noexcept;

// Connects to a WMI namespace; on success `session` (which must be empty) holds the new session.
// kInvalidParameter for a held `session` or a null `resource`; kObjectNotFound when COM or WMI
// report success without the locator or the services proxy; otherwise the mapped failure.
ErrorCode ServiceConnect(const WCHAR* resource, const WCHAR* authority, const WCHAR* user,
                         const WCHAR* password, CRefPtr<CWmiService>& session) noexcept;

}  // namespace wmibridge
