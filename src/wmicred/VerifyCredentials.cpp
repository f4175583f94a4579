#include "wmicred/VerifyCredentials.h"

#include "text/Utf16.h"

namespace wmicred {
namespace {

namespace text = wmibridge::text;

constexpr DWORD kUserNameUnits = 257;  // UNLEN and the terminator

bool Longer(const WCHAR* text, size_t limit)
{
    return text != nullptr && text::Length(text) > limit;
}

}  // namespace

DWORD LogonAndImpersonate(const WCHAR* account, const WCHAR* password, const WCHAR* defaultDomain,
                          HANDLE& token) noexcept
{
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
    token = INVALID_HANDLE_VALUE;
    if (!LogonUserW(user, domain, password, LOGON32_LOGON_NEW_CREDENTIALS, LOGON32_PROVIDER_WINNT50,
                    &token)) {
        return GetLastError();
    }
    if (!ImpersonateLoggedOnUser(token)) {
        const DWORD error = GetLastError();
        CloseHandle(token);
        token = INVALID_HANDLE_VALUE;
        return error;
    }
    return ERROR_SUCCESS;
}

DWORD ProbeRemoteRegistry(const WCHAR* host, const WCHAR* keyPath) noexcept
{
    WCHAR machine[kMaxHostName + 3] = {u'\\', u'\\'};
    text::CopyN(machine + 2, host, text::Length(host));
    HKEY root = nullptr;
    const LSTATUS connected = RegConnectRegistryW(machine, HKEY_CURRENT_USER, &root);
    if (connected != ERROR_SUCCESS) {
        if (connected == ERROR_ACCESS_DENIED) {
            const DWORD reason = GetLastError();
            if (reason == ERROR_LOGON_FAILURE || reason == ERROR_ACCOUNT_LOCKED_OUT) {
                return reason;
            }
        }
        return static_cast<DWORD>(connected);
    }
    HKEY key = nullptr;
    const LSTATUS opened = RegOpenKeyExW(root, keyPath, 0, KEY_READ, &key);
    if (opened == ERROR_SUCCESS) {
        RegCloseKey(key);
    }
    RegCloseKey(root);
    return static_cast<DWORD>(opened);
}

DWORD VerifyCredentials(const WCHAR* user, const WCHAR* password, const WCHAR* host,
                        const WCHAR* keyPath) noexcept
{
    if (host == nullptr || Longer(host, kMaxHostName) || Longer(user, kMaxAccountName) ||
        Longer(keyPath, kMaxKeyPath)) {
        return ERROR_INVALID_PARAMETER;
    }
    WCHAR currentUser[kUserNameUnits];
    const WCHAR* account = user;
    if (account == nullptr) {
        DWORD size = kUserNameUnits;
        if (!GetUserNameW(currentUser, &size)) {
            return GetLastError();
        }
        account = currentUser;
    }
    HANDLE token = INVALID_HANDLE_VALUE;
    DWORD result = LogonAndImpersonate(account, password, host, token);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    result = ProbeRemoteRegistry(host, keyPath);
    RevertToSelf();
    CloseHandle(token);
    return result;
}

}  // namespace wmicred
