// GetUserNameW, LogonUserW, ImpersonateLoggedOnUser, RevertToSelf and CloseHandle.
#include "com_boundary.h"
#include "win32/security.h"

#include <pal/win32_control.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string_view>

#include "accounting.h"
#include "base/text.h"
#include "win32/handle_table.h"
#include "win32/reset.h"

namespace pal::win32 {
namespace {

constexpr std::u16string_view kDefaultProcessUser = u"Operator";

HandleTable<const Token>& Tokens()
{
    static HandleTable<const Token> table(PAL_KIND_KERNEL_HANDLE, 0x1000);
    return table;
}

// The impersonation of one thread; a thread that ends while impersonating stops counting.
struct ThreadImpersonation {
    std::shared_ptr<const Token> token;

    ~ThreadImpersonation()
    {
        if (token) {
            CountDestroyed(PAL_KIND_IMPERSONATION);
        }
    }
};

thread_local ThreadImpersonation t_impersonation;

struct SecurityState {
    std::mutex mutex;
    std::u16string processUser{kDefaultProcessUser};
    bool hasLogon = false;
    PalLogonRecord lastLogon{};
};

SecurityState& State()
{
    static SecurityState state;
    return state;
}

std::atomic<LONG> g_logonCount{0};
std::atomic<LONG> g_impersonationFailures{0};
std::atomic<DWORD> g_impersonationError{0};

void CopyUtf8(const WCHAR* text, char (&target)[PAL_LOGON_TEXT_SIZE])
{
    const std::string utf8 = pal::ToUtf8(pal::ViewOf(text));
    const size_t length = std::min(utf8.size(), sizeof target - 1);
    std::copy_n(utf8.begin(), length, target);
    target[length] = '\0';
}

void RecordLogon(LPCWSTR user, LPCWSTR domain, LPCWSTR password, DWORD type, DWORD provider)
{
    PalLogonRecord record{};
    record.hasUser = user != nullptr;
    record.hasDomain = domain != nullptr;
    record.hasPassword = password != nullptr;
    record.logonType = type;
    record.logonProvider = provider;
    CopyUtf8(user, record.user);
    CopyUtf8(domain, record.domain);
    CopyUtf8(password, record.password);
    SecurityState& state = State();
    std::lock_guard lock(state.mutex);
    state.lastLogon = record;
    state.hasLogon = true;
    g_logonCount.fetch_add(1);
}

bool TakeImpersonationFailure(DWORD& error)
{
    LONG left = g_impersonationFailures.load();
    while (left > 0) {
        if (g_impersonationFailures.compare_exchange_weak(left, left - 1)) {
            error = g_impersonationError.load();
            return true;
        }
    }
    return false;
}

}  // namespace

Token::~Token()
{
    SecureZeroMemory(password.data(), password.size() * sizeof(char16_t));
}

std::shared_ptr<const Token> ThreadToken()
{
    return t_impersonation.token;
}

std::u16string ProcessUserName()
{
    SecurityState& state = State();
    std::lock_guard lock(state.mutex);
    return state.processUser;
}

void SetProcessUserName(std::u16string name)
{
    SecurityState& state = State();
    std::lock_guard lock(state.mutex);
    state.processUser = std::move(name);
}

void ResetSecurity()
{
    SecurityState& state = State();
    std::lock_guard lock(state.mutex);
    state.processUser = std::u16string(kDefaultProcessUser);
    state.hasLogon = false;
    state.lastLogon = PalLogonRecord{};
    g_logonCount.store(0);
    g_impersonationFailures.store(0);
}

}  // namespace pal::win32

using pal::win32::Token;
using pal::win32::Tokens;

PALAPI BOOL GetUserNameW(LPWSTR lpBuffer, LPDWORD pcbBuffer)
try {
    if (pcbBuffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // A NEW_CREDENTIALS token keeps the local identity, so the process user answers even while
    // the thread impersonates one.
    const std::u16string name = pal::win32::ProcessUserName();
    const DWORD needed = static_cast<DWORD>(name.size() + 1);
    if (lpBuffer == nullptr || *pcbBuffer < needed) {
        *pcbBuffer = needed;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::copy(name.begin(), name.end(), lpBuffer);
    lpBuffer[name.size()] = u'\0';
    *pcbBuffer = needed;
    return TRUE;
} catch (...) {
    return pal::CaughtBoolError();
}

PALAPI BOOL LogonUserW(LPCWSTR lpszUsername, LPCWSTR lpszDomain, LPCWSTR lpszPassword, DWORD dwLogonType,
                       DWORD dwLogonProvider, PHANDLE phToken)
try {
    pal::win32::RecordLogon(lpszUsername, lpszDomain, lpszPassword, dwLogonType, dwLogonProvider);
    if (phToken == nullptr || lpszUsername == nullptr || dwLogonProvider > LOGON32_PROVIDER_WINNT50) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *phToken = nullptr;
    if (dwLogonType != LOGON32_LOGON_NEW_CREDENTIALS) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    auto token = std::make_shared<Token>();
    token->user = lpszUsername;
    token->domain = pal::ViewOf(lpszDomain);
    token->password = pal::ViewOf(lpszPassword);
    token->logonType = dwLogonType;
    *phToken = reinterpret_cast<HANDLE>(Tokens().Add(std::move(token)));
    return TRUE;
} catch (...) {
    return pal::CaughtBoolError();
}

PALAPI BOOL ImpersonateLoggedOnUser(HANDLE hToken)
try {
    std::shared_ptr<const Token> token = Tokens().Get(reinterpret_cast<uintptr_t>(hToken));
    if (!token) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DWORD error = 0;
    if (pal::win32::TakeImpersonationFailure(error)) {
        SetLastError(error);
        return FALSE;
    }
    if (!pal::win32::t_impersonation.token) {
        pal::CountCreated(PAL_KIND_IMPERSONATION);
    }
    pal::win32::t_impersonation.token = std::move(token);
    return TRUE;
} catch (...) {
    return pal::CaughtBoolError();
}

PALAPI BOOL RevertToSelf(void)
{
    if (pal::win32::t_impersonation.token) {
        pal::win32::t_impersonation.token.reset();
        pal::CountDestroyed(PAL_KIND_IMPERSONATION);
    }
    return TRUE;
}

PALAPI BOOL CloseHandle(HANDLE hObject)
{
    // The thread's impersonation holds the token on its own, as on Windows.
    if (!Tokens().Remove(reinterpret_cast<uintptr_t>(hObject))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

PALAPI BOOL PalWin32LastLogon(PalLogonRecord* record)
try {
    pal::win32::SecurityState& state = pal::win32::State();
    std::lock_guard lock(state.mutex);
    if (record == nullptr || !state.hasLogon) {
        return FALSE;
    }
    *record = state.lastLogon;
    return TRUE;
} catch (...) {
    return pal::CaughtBoolError();
}

PALAPI LONG PalWin32LogonCount(void)
{
    return pal::win32::g_logonCount.load();
}

PALAPI BOOL PalWin32ThreadImpersonates(void)
{
    return pal::win32::t_impersonation.token ? TRUE : FALSE;
}

PALAPI void PalWin32FailImpersonation(DWORD error, LONG count)
{
    pal::win32::g_impersonationError.store(error);
    pal::win32::g_impersonationFailures.store(count < 0 ? 0 : count);
}

PALAPI void PalWin32SetProcessUser(const char* userName)
{
    pal::win32::SetProcessUserName(pal::FromUtf8(userName));
}
