// Win32 kernel functions: the thread's last error and the operating-system version.
#pragma once

#include <winnt.h>

typedef struct _OSVERSIONINFOW {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
} OSVERSIONINFOW, *LPOSVERSIONINFOW;

#define VER_PLATFORM_WIN32_NT 2

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_STRING 0x00000400
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FF

#define DONT_RESOLVE_DLL_REFERENCES 0x00000001
#define LOAD_LIBRARY_AS_DATAFILE 0x00000002
#define LOAD_LIBRARY_AS_IMAGE_RESOURCE 0x00000020
#define LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE 0x00000040

PALAPI DWORD GetLastError(void);
PALAPI void SetLastError(DWORD dwErrCode);
PALAPI BOOL GetVersionExW(LPOSVERSIONINFOW lpVersionInformation);

// Messages from the system message table or from a message module.
PALAPI DWORD FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                            LPWSTR lpBuffer, DWORD nSize, void* Arguments);
PALAPI HMODULE LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags);
PALAPI BOOL FreeLibrary(HMODULE hLibModule);

// The C runtime's view of the Windows environment and version.
PALAPI WCHAR* _wgetenv(const WCHAR* name);
PAL_EXTERN_C __attribute__((visibility("default"))) unsigned int _winmajor;
PAL_EXTERN_C __attribute__((visibility("default"))) unsigned int _winminor;

// Logon, impersonation and handles.
#define LOGON32_LOGON_INTERACTIVE 2
#define LOGON32_LOGON_NETWORK 3
#define LOGON32_LOGON_NEW_CREDENTIALS 9
#define LOGON32_PROVIDER_DEFAULT 0
#define LOGON32_PROVIDER_WINNT50 3
#define UNLEN 256

PALAPI BOOL GetUserNameW(LPWSTR lpBuffer, LPDWORD pcbBuffer);
PALAPI BOOL LogonUserW(LPCWSTR lpszUsername, LPCWSTR lpszDomain, LPCWSTR lpszPassword, DWORD dwLogonType,
                       DWORD dwLogonProvider, PHANDLE phToken);
PALAPI BOOL ImpersonateLoggedOnUser(HANDLE hToken);
PALAPI BOOL RevertToSelf(void);
PALAPI BOOL CloseHandle(HANDLE hObject);
