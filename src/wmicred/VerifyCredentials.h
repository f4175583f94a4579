// The remote credential check: log the user on for outbound network use, impersonate that logon,
// open a key of the remote host's registry with it, and drop the impersonation again.
#pragma once

#include "platform/platform.h"

namespace wmicred {

// Longest inputs Windows accepts: account names (a domain of up to 255 characters, a separator and
// a user name of up to 256), host names, and registry key paths.
constexpr size_t kMaxAccountName = 512;
constexpr size_t kMaxHostName = 255;
constexpr size_t kMaxKeyPath = 255;

// Splits the account name (domain\user, user@domain, \user or user; the host stands in for a
// missing domain), logs on with LOGON32_LOGON_NEW_CREDENTIALS and impersonates the token. Returns
// 0 with the token in `token`, or the Win32 error of the step that failed (no token left open).
DWORD LogonAndImpersonate(const WCHAR* account, const WCHAR* password, const WCHAR* defaultDomain,
                          HANDLE& token) noexcept;

// Connects to HKEY_CURRENT_USER of \\host and opens `keyPath` there for reading. Returns the
// result of the open, or of the connection when it failed (a refused connection whose last error
// is a logon failure or a locked account reports that instead of access denied).
DWORD ProbeRemoteRegistry(const WCHAR* host, const WCHAR* keyPath) noexcept;

// The whole check; `user` null means the calling thread's account. 0 when the host accepted the
// credentials and the key opened. No impersonation and no handle outlive the call.
DWORD VerifyCredentials(const WCHAR* user, const WCHAR* password, const WCHAR* host,
                        const WCHAR* keyPath) noexcept;

}  // namespace wmicred
