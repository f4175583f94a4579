// Credentials of a session and the security blanket of its WMI proxies.
//
// A proxy obtained with explicit credentials must carry them itself, or later calls through it
// run with the caller's own identity: the services proxy is secured right after the connect, and
// every query enumerator again before its objects are fetched.
#pragma once

#include "platform/platform.h"
#include "text/TextBuffer.h"
#include "wmi/RefPtr.h"

namespace wmibridge {

// The domain part of an account name: after the first "@", or before the first backslash (a
// plain name is its own domain). Null when that part is empty before a backslash, for an empty
// name, or when the buffer could not be allocated.
const WCHAR* ExtractDomain(const WCHAR* user, text::CTextBuffer& buffer) noexcept;

// The user part: before the first "@" (null when empty), after the first backslash, or the whole
// name.
const WCHAR* ExtractUserName(const WCHAR* user, text::CTextBuffer& buffer) noexcept;

// An authentication identity record with copies of the user part, the domain and the password.
// It is shared by counting: the session that made it and every native object that keeps using
// the session's services proxy hold a reference, so the record outlives every proxy secured with
// it. The password copy is wiped before its memory is freed.
class CAuthIdentity final : public CRefCounted {
public:
    ~CAuthIdentity();
    COAUTHIDENTITY* Record() noexcept { return &m_record; }

private:
    friend CRefPtr<CAuthIdentity> CreateAuthIdentity(const WCHAR*, const WCHAR*, const WCHAR*) noexcept;
    CAuthIdentity() = default;

    COAUTHIDENTITY m_record{};
};

// Null unless user, domain and password are all given, and unless the user has a user part.
CRefPtr<CAuthIdentity> CreateAuthIdentity(const WCHAR* user, const WCHAR* domain,
                                          const WCHAR* password) noexcept;

// The proxy's current authentication and impersonation levels. A binding without authentication
// (RPC_S_BINDING_HAS_NO_AUTH) reads as level none with impersonation level identify.
HRESULT GetProxyLevels(IUnknown* proxy, DWORD& authnLevel, DWORD& impLevel) noexcept;

// Sets NTLM with the given levels on the proxy: with the identity record when credentials (a
// non-empty user or password) were given, without one otherwise, and always without one when the
// binding has no authentication. Credentials without a record give WBEM_E_INVALID_PARAMETER.
HRESULT ApplyProxyBlanket(IUnknown* proxy, const WCHAR* user, const WCHAR* password, DWORD authnLevel,
                          DWORD impLevel, CAuthIdentity* identity) noexcept;

// GetProxyLevels, then ApplyProxyBlanket with those levels.
HRESULT SecureProxy(IUnknown* proxy, const WCHAR* user, const WCHAR* password,
                    CAuthIdentity* identity) noexcept;

}  // namespace wmibridge
