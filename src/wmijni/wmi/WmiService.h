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

class CWmiService : public CRefCounted {
public:
    // Takes its own reference to `services`; takes over the texts, the identity and the COM
    // initialisation of the connect that made it.
    CWmiService(IWbemServices* services, CBstr authority, CBstr user, CBstr password, CBstr domain,
                CRefPtr<CAuthIdentity> identity, HRESULT hrOfComInitialisation) noexcept;
    ~CWmiService();

    IWbemServices* Services() const { return m_services; }
    BSTR User() const { return m_user.Get(); }
    BSTR Password() const { return m_password.Get(); }
    BSTR Authority() const { return m_authority.Get(); }
    BSTR Domain() const { return m_domain.Get(); }
    const CRefPtr<CAuthIdentity>& Identity() const { return m_identity; }

private:
    // Declared first so that it is destroyed last: COM is given back after everything is released.
    CComInitHold m_apartment;
    IWbemServices* m_services;
    CBstr m_authority;
    CBstr m_user;
    CBstr m_password;
    CBstr m_domain;
    CRefPtr<CAuthIdentity> m_identity;
};

// The system is Windows XP (5.1) or later, where ConnectServer may be told to bound its wait:
// asked of the system once, on first use, and remembered for the process.
bool ConnectMayBoundWait() noexcept;
bool IsOsVersion51OrLater() noexcept;

// COM initialisation of the calling thread (multithreaded apartment) and the process security.
// When the security cannot be set for another reason than being set already, the thread's
// initialisation is undone before the failure is returned.
HRESULT InitializeCom(DWORD authnLevel, DWORD impLevel) noexcept;

// Connects to a WMI namespace; on success `session` holds the new session.
bool ServiceConnect(CRefPtr<CWmiService>& session, const WCHAR* resource, const WCHAR* authority,
                    const WCHAR* user, const WCHAR* password, ErrorCode& code) noexcept;

}  // namespace wmibridge
