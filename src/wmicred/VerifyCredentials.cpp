#include "wmicred/VerifyCredentials.h"

#include <lmcons.h>

#include <cstdlib>

#include "platform/HandleHolders.h"
#include "text/Utf16.h"

namespace wmicred {
namespace {

namespace text = wmibridge::text;
using wmibridge::CScopedHandle;
using wmibridge::CScopedRegKey;

bool Longer(const WCHAR* text, size_t limit)
{
    return text != nullptr && text::Length(text) > limit;
}

// The impersonation of a logon token for one scope. Reverting is checked: a thread that went on
// running as the logged-on user is the worst way a credential check can fail, and no caller up
// the stack could be trusted to notice. So when RevertToSelf fails, the process ends at once
// (fail fast), as Windows' own scoped reverters do.
class CImpersonation {
public:
    CImpersonation() = default;
    CImpersonation(const CImpersonation&) = delete;
    CImpersonation& operator=(const CImpersonation&) = delete;
    ~CImpersonation()
    {
        if (m_active && !RevertToSelf()) {
            std::abort();
        }
    }

    // Impersonates `token` until the scope ends; 0, or the error of ImpersonateLoggedOnUser.
    DWORD Begin(HANDLE token) noexcept
    {
        if (!ImpersonateLoggedOnUser(token)) {
            return GetLastError();
        }
        m_active = true;
        return ERROR_SUCCESS;
    }

private:
    bool m_active = false;
};

// Splits the account name (domain\user, user@domain, \user or user; `defaultDomain` stands in for
// a missing domain) and logs it on with LOGON32_LOGON_NEW_CREDENTIALS. 0 with the token in
// `token`, 87 for an account name longer than kMaxAccountName, or the error of LogonUserW.
DWORD LogOn(const WCHAR* account, const WCHAR* password, const WCHAR* defaultDomain,
            CScopedHandle& token) noexcept
{
    if (account == nullptr || Longer(account, kMaxAccountName)) {
        return ERROR_INVALID_PARAMETER;
    }
    // Both parts fit: the account name is at most kMaxAccountName units long.
    WCHAR domainPart[kMaxAccountName + 1];
    WCHAR userPart[kMaxAccountName + 1];
    const WCHAR* user = account;
    const WCHAR* domain = nullptr;
    if (text::Find(account, u'@') == nullptr) {
        // The run before the first backslash is the domain; a name without a backslash is one
        // run, so it is its own domain. Only an empty run takes the host.
        const size_t run = text::SpanExcluding(account, u'\\');
        text::CopyN(domainPart, account, run);
        domain = run > 0 ? domainPart : defaultDomain;
        if (const WCHAR* backslash = text::Find(account, u'\\')) {
            const WCHAR* rest = backslash + 1;
            text::CopyN(userPart, rest, text::Length(rest));
            user = userPart;
        }
    }
    if (!LogonUserW(user, domain, password, LOGON32_LOGON_NEW_CREDENTIALS, LOGON32_PROVIDER_WINNT50,
                    token.Put())) {
        return GetLastError();
    }
    return ERROR_SUCCESS;
}

// Connects to HKEY_CURRENT_USER of \\host and opens `keyPath` there for reading. Returns the
// result of the open, or of the connection when it failed (a refused connection whose last error
// is a logon failure or a locked account reports that instead of access denied); 87 for a null
// host or one longer than kMaxHostName.
DWORD ProbeRemoteRegistry(const WCHAR* host, const WCHAR* keyPath) noexcept
{
    if (host == nullptr || Longer(host, kMaxHostName)) {
        return ERROR_INVALID_PARAMETER;
    }
    WCHAR machine[kMaxHostName + 3] = {u'\\', u'\\'};
    text::CopyN(machine + 2, host, text::Length(host));
    CScopedRegKey root;
    const LSTATUS connected = RegConnectRegistryW(machine, HKEY_CURRENT_USER, root.Put());
    if (connected != ERROR_SUCCESS) {
        if (connected == ERROR_ACCESS_DENIED) {
            const DWORD reason = GetLastError();
            if (reason == ERROR_LOGON_FAILURE || reason == ERROR_ACCOUNT_LOCKED_OUT) {
                return reason;
            }
        }
        return static_cast<DWORD>(connected);
    }
    CScopedRegKey key;
    return static_cast<DWORD>(RegOpenKeyExW(root.Get(), keyPath, 0, KEY_READ, key.Put()));
}

}  // namespace

DWORD VerifyCredentials(const WCHAR* user, const WCHAR* password, const WCHAR* host,
                        const WCHAR* keyPath) noexcept
{
    if (host == nullptr || Longer(host, kMaxHostName) || Longer(user, kMaxAccountName) ||
        Longer(keyPath, kMaxKeyPath)) {
        return ERROR_INVALID_PARAMETER;
    }
    WCHAR currentUser[UNLEN + 1];
    const WCHAR* account = user;
    if (account == nullptr) {
        DWORD size = UNLEN + 1;
        if (!GetUserNameW(currentUser, &size)) {
            return GetLastError();
        }
        account = currentUser;
    }
    // Declared in this order so that the impersonation ends before the token is closed.
    CScopedHandle token;
    DWORD result = LogOn(account, password, host, token);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    CImpersonation impersonation;
    result = impersonation.Begin(token.Get());
    if (result != ERROR_SUCCESS) {
        return result;
    }
    return ProbeRemoteRegistry(host, keyPath);
}

}  // namespace wmicred
