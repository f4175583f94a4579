// Test controls of the platform layer's Win32 side: the environment view, message modules, the
// process user, logons and the per-host registry.
//
// Plain C functions with UTF-8 texts, so that C++ tests call them directly and a test-only JNI
// library hands them to Java tests. Hosts and their accounts are configured through
// pal/wmi_control.h; the registry of a host exists as soon as a control names it.
//
// Behaviour worth knowing:
// - _wgetenv(u"SystemRoot") answers the process environment's SystemRoot when it is set (names
//   are matched without regard to ASCII case, as on Windows), otherwise "C:\Windows". Drive C: is
//   the directory `windows-root` next to the platform library, where the build puts the WMI
//   message modules (Windows\System32\wbem\wmiutils.dll and wbemcomn.dll). A path without a drive
//   letter is taken as a Linux path with backslashes turned into slashes.
// - FormatMessageW accepts the languages 0 (neutral), 0x400 (user default) and 0x409 (English);
//   any other gives ERROR_RESOURCE_LANG_NOT_FOUND. It supports FORMAT_MESSAGE_FROM_SYSTEM and
//   FORMAT_MESSAGE_FROM_HMODULE with FORMAT_MESSAGE_IGNORE_INSERTS; a max-width of 0xFF drops the
//   trailing line break, other widths do not wrap. Other flags give ERROR_INVALID_PARAMETER.
// - LogonUserW supports LOGON32_LOGON_NEW_CREDENTIALS only (others: ERROR_NOT_SUPPORTED). Such a
//   token keeps the process user's local identity: GetUserNameW still answers the process user.
// - RegConnectRegistryW checks the credentials of the calling thread's impersonation token
//   against the host's accounts. A thread that does not impersonate connects as the process
//   user, which the host accepts when it has an account of that name (its logon session is
//   trusted, no password is compared); a locked account is refused all the same. A host whose
//   bindings are configured without authentication accepts anyone. Refusal returns
//   ERROR_ACCESS_DENIED with the reason (ERROR_LOGON_FAILURE, ERROR_ACCOUNT_LOCKED_OUT) as the
//   thread's last error; an unknown host gives ERROR_BAD_NETPATH. The local machine (no name,
//   ".", "localhost" or its own name) is reached without a credential check.
// - Reading a key can be denied to an account; the denial holds for that key only.
#pragma once

#include <winnt.h>

// ---- Everything at once -------------------------------------------------------------------

// Forgets registries, the recorded logon, counters, injected failures, the SystemRoot override
// and the process user, and reports Windows 6.2.9200 again. Open handles stay open (and
// counted) so that leaks remain visible.
PALAPI void PalWin32ResetAll(void);

// ---- Environment and message modules ------------------------------------------------------

// Hides SystemRoot from _wgetenv (TRUE) or shows it again (FALSE).
PALAPI void PalWin32RemoveSystemRoot(BOOL removed);
// Makes _wgetenv answer `windowsPath` for SystemRoot; null goes back to the environment or the
// default.
PALAPI void PalWin32SetSystemRoot(const char* windowsPath);
// The Linux directory that stands for drive C: (NUL-terminated, valid for the process's life).
PALAPI const char* PalWin32DriveDirectory(void);
// Successful LoadLibraryExW calls since the last reset, and the path the last one was given (as
// the caller wrote it, UTF-8, truncated to the buffer). FALSE when nothing was loaded.
PALAPI LONG PalWin32ModuleLoadCount(void);
PALAPI BOOL PalWin32LastModulePath(char* path, ULONG pathSize);

// ---- Accounts, logons and impersonation ---------------------------------------------------

// The account the process runs as, answered by GetUserNameW ("Operator" after a reset).
PALAPI void PalWin32SetProcessUser(const char* userName);

#define PAL_LOGON_TEXT_SIZE 1024

// What the last LogonUserW call received, whether it succeeded or not.
typedef struct PalLogonRecord {
    BOOL hasUser;  // FALSE when the pointer was null
    BOOL hasDomain;
    BOOL hasPassword;
    DWORD logonType;
    DWORD logonProvider;
    char user[PAL_LOGON_TEXT_SIZE];  // UTF-8, NUL-terminated, truncated when longer
    char domain[PAL_LOGON_TEXT_SIZE];
    char password[PAL_LOGON_TEXT_SIZE];
} PalLogonRecord;

// FALSE when no logon was made since the last reset.
PALAPI BOOL PalWin32LastLogon(PalLogonRecord* record);
// LogonUserW calls since the last reset.
PALAPI LONG PalWin32LogonCount(void);
// TRUE when the calling thread impersonates a token.
PALAPI BOOL PalWin32ThreadImpersonates(void);
// The next `count` calls of ImpersonateLoggedOnUser fail with `error` (0 switches it off).
PALAPI void PalWin32FailImpersonation(DWORD error, LONG count);

// ---- Registry -----------------------------------------------------------------------------

// Predefined keys a control may name: the low bits of HKEY_CLASSES_ROOT... (0 to 3).
#define PAL_REG_CLASSES_ROOT 0
#define PAL_REG_CURRENT_USER 1
#define PAL_REG_LOCAL_MACHINE 2
#define PAL_REG_USERS 3

// Creates a key (and the keys above it) in the registry of `host` ("." or null: the local
// machine). FALSE for an unknown root or an empty path.
PALAPI BOOL PalWin32RegCreateKey(const char* host, int root, const char* keyPath);
// Sets a value of an existing key (the key's default value for an empty or null name). FALSE
// when the key does not exist.
PALAPI BOOL PalWin32RegSetString(const char* host, int root, const char* keyPath, const char* name,
                                 const char* value);
PALAPI BOOL PalWin32RegSetDword(const char* host, int root, const char* keyPath, const char* name,
                                DWORD value);
// Refuses reading an existing key to an account: "domain\user" or "user" (any domain). FALSE when
// the key does not exist.
PALAPI BOOL PalWin32RegDenyRead(const char* host, int root, const char* keyPath, const char* account);
// The next `count` calls of RegConnectRegistryW fail with `result`, leaving `lastError` as the
// thread's last error (count 0 switches it off).
PALAPI void PalWin32FailConnect(LONG result, DWORD lastError, LONG count);
// RegConnectRegistryW calls since the last reset.
PALAPI LONG PalWin32ConnectCount(void);
