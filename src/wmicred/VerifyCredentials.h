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

// The whole check; `user` null means the calling thread's account. The account name (domain\user,
// user@domain, \user or user; the host stands in for a missing domain) is logged on with
// LOGON32_LOGON_NEW_CREDENTIALS and impersonated while HKEY_CURRENT_USER of \\host is connected and
// `keyPath` opened there for reading. Returns 0 when the host accepted the credentials and the key
// opened; 87 for a null host or an input longer than the limits above; otherwise the Win32 error of
// the step that failed: of the key's open, or of the connection (a refused connection whose last
// error is a logon failure or a locked account reports that instead of access denied).
//
// No impersonation and no handle outlive the call. Should the thread fail to stop impersonating,
// the process is ended at once rather than let the thread run on as the logged-on user.
DWORD VerifyCredentials(const WCHAR* user, const WCHAR* password, const WCHAR* host,
                        const WCHAR* keyPath) noexcept;

}  // namespace wmicred
