// RegConnectRegistryW, RegOpenKeyExW and RegCloseKey over the per-host registries.
#include <pal/win32_control.h>
#include <windows.h>

#include <atomic>
#include <optional>

#include "base/names.h"
#include "base/text.h"
#include "com_boundary.h"
#include "hosts/hosts.h"
#include "win32/handle_table.h"
#include "win32/registry.h"
#include "win32/reset.h"
#include "win32/security.h"

namespace pal::win32 {
namespace {

// An open key: where it is and on whose behalf it was opened.
struct OpenKey {
    std::shared_ptr<Registry> registry;
    RegistryRoot root = RegistryRoot::LocalMachine;
    std::u16string path;
    AccountName account;
};

HandleTable<const OpenKey>& Keys()
{
    static HandleTable<const OpenKey> table(PAL_KIND_REGISTRY_KEY, 0x2000);
    return table;
}

std::atomic<LONG> g_connectCount{0};
std::atomic<LONG> g_connectFailures{0};
std::atomic<LONG> g_connectResult{0};
std::atomic<DWORD> g_connectLastError{0};

constexpr REGSAM kReadAccess = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY | READ_CONTROL;

std::optional<RegistryRoot> PredefinedRoot(HKEY key)
{
    if (key == HKEY_CLASSES_ROOT) {
        return RegistryRoot::ClassesRoot;
    }
    if (key == HKEY_CURRENT_USER) {
        return RegistryRoot::CurrentUser;
    }
    if (key == HKEY_LOCAL_MACHINE) {
        return RegistryRoot::LocalMachine;
    }
    if (key == HKEY_USERS) {
        return RegistryRoot::Users;
    }
    return std::nullopt;
}

AccountName ProcessAccount()
{
    return {wmi::LocalServerName(), ProcessUserName()};
}

// The account a token presents: its user and domain, or the parts of a user principal name.
AccountName AccountOf(const Token& token)
{
    if (token.user.find(u'@') != std::u16string::npos) {
        return ParseAccountName(token.user);
    }
    return {token.domain, token.user};
}

DWORD RefusalOf(hosts::LogonResult result)
{
    switch (result) {
    case hosts::LogonResult::Accepted: return ERROR_SUCCESS;
    case hosts::LogonResult::LockedOut: return ERROR_ACCOUNT_LOCKED_OUT;
    case hosts::LogonResult::UnknownOrWrongPassword: break;
    }
    return ERROR_LOGON_FAILURE;
}

// How the remote host answers the credentials the calling thread presents: 0 or the reason for
// refusing them. `account` receives the identity the connection acts for.
DWORD CheckCredentials(const hosts::Host& host, AccountName& account)
{
    if (const std::shared_ptr<const Token> token = ThreadToken()) {
        account = AccountOf(*token);
        if (host.noAuthentication) {
            return ERROR_SUCCESS;
        }
        return RefusalOf(hosts::LogOn(host, token->user, token->password, token->domain));
    }
    account = ProcessAccount();
    if (host.noAuthentication) {
        return ERROR_SUCCESS;
    }
    for (const hosts::Account& known : host.accounts) {
        if (pal::NamesEqual(known.user, account.user)) {
            return known.lockedOut ? ERROR_ACCOUNT_LOCKED_OUT : ERROR_SUCCESS;
        }
    }
    return ERROR_LOGON_FAILURE;
}

bool TakeConnectFailure(LSTATUS& result, DWORD& lastError)
{
    LONG left = g_connectFailures.load();
    while (left > 0) {
        if (g_connectFailures.compare_exchange_weak(left, left - 1)) {
            result = g_connectResult.load();
            lastError = g_connectLastError.load();
            return true;
        }
    }
    return false;
}

HKEY NewHandle(OpenKey key)
{
    return reinterpret_cast<HKEY>(Keys().Add(std::make_shared<const OpenKey>(std::move(key))));
}

}  // namespace

void ResetRegistryState()
{
    ResetRegistries();
    g_connectCount.store(0);
    g_connectFailures.store(0);
}

}  // namespace pal::win32

// The C entry points below are this file's own helpers put together.
using namespace pal::win32;

PALAPI LSTATUS RegConnectRegistryW(LPCWSTR lpMachineName, HKEY hKey, PHKEY phkResult)
try {
    g_connectCount.fetch_add(1);
    if (phkResult == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *phkResult = nullptr;
    const std::optional<RegistryRoot> root = PredefinedRoot(hKey);
    if (!root) {
        return ERROR_INVALID_HANDLE;
    }
    LSTATUS injected = ERROR_SUCCESS;
    DWORD injectedLastError = 0;
    if (TakeConnectFailure(injected, injectedLastError)) {
        SetLastError(injectedLastError);
        return injected;
    }
    std::u16string_view name = pal::ViewOf(lpMachineName);
    if (name.starts_with(u"\\\\")) {
        name.remove_prefix(2);
    }
    AccountName account;
    if (pal::hosts::IsLocalHostName(name)) {
        account = ProcessAccount();
    } else {
        const std::shared_ptr<const pal::hosts::Host> host = pal::hosts::FindHost(name);
        if (!host) {
            SetLastError(ERROR_BAD_NETPATH);
            return ERROR_BAD_NETPATH;
        }
        const DWORD refusal = CheckCredentials(*host, account);
        if (refusal != ERROR_SUCCESS) {
            SetLastError(refusal);
            return ERROR_ACCESS_DENIED;
        }
    }
    *phkResult = NewHandle({RegistryOfHost(name), *root, std::u16string(), std::move(account)});
    return ERROR_SUCCESS;
} catch (...) {
    return pal::CaughtWin32Error();
}

PALAPI LSTATUS RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult)
try {
    if (phkResult == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *phkResult = nullptr;
    OpenKey parent;
    if (const std::optional<RegistryRoot> root = PredefinedRoot(hKey)) {
        // Local keys are opened as the process: a NEW_CREDENTIALS token keeps the local identity.
        parent = {RegistryOfHost(u"."), *root, std::u16string(), ProcessAccount()};
    } else if (const std::shared_ptr<const OpenKey> open = Keys().Get(reinterpret_cast<uintptr_t>(hKey))) {
        parent = *open;
    } else {
        return ERROR_INVALID_HANDLE;
    }
    if ((ulOptions & ~static_cast<DWORD>(REG_OPTION_OPEN_LINK)) != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    std::u16string_view subKey = pal::ViewOf(lpSubKey);
    if (!Registry::IsWellFormed(subKey)) {
        return ERROR_BAD_PATHNAME;
    }
    if (subKey.ends_with(u'\\')) {
        subKey.remove_suffix(1);
    }
    OpenKey opened = parent;
    if (!subKey.empty()) {
        if (!opened.path.empty()) {
            opened.path += u'\\';
        }
        opened.path += subKey;
    }
    if (!opened.registry->KeyExists(opened.root, opened.path)) {
        return ERROR_FILE_NOT_FOUND;
    }
    if ((samDesired & kReadAccess) != 0 &&
        !opened.registry->MayRead(opened.root, opened.path, opened.account)) {
        return ERROR_ACCESS_DENIED;
    }
    *phkResult = NewHandle(std::move(opened));
    return ERROR_SUCCESS;
} catch (...) {
    return pal::CaughtWin32Error();
}

PALAPI LSTATUS RegCloseKey(HKEY hKey)
try {
    if (PredefinedRoot(hKey)) {
        return ERROR_SUCCESS;
    }
    return Keys().Remove(reinterpret_cast<uintptr_t>(hKey)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
} catch (...) {
    return pal::CaughtWin32Error();
}

PALAPI void PalWin32FailConnect(LONG result, DWORD lastError, LONG count)
{
    g_connectResult.store(result);
    g_connectLastError.store(lastError);
    g_connectFailures.store(count < 0 ? 0 : count);
}

PALAPI LONG PalWin32ConnectCount(void)
{
    return g_connectCount.load();
}
