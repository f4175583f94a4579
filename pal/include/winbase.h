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

PALAPI DWORD GetLastError(void);
PALAPI void SetLastError(DWORD dwErrCode);
PALAPI BOOL GetVersionExW(LPOSVERSIONINFOW lpVersionInformation);
