// The thread's last error and the Windows version the platform layer reports.
#include <windows.h>

#include <atomic>

#include <pal/testing.h>

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

// By default the version that Windows 8 and later report to programs without a compatibility
// manifest (6.2, build 9200), which is what a JVM loading the libraries sees there; tests choose
// others to reach version-dependent paths.
std::atomic<DWORD> g_major{6};
std::atomic<DWORD> g_minor{2};
std::atomic<DWORD> g_build{9200};

}  // namespace

// The C runtime's copy of the version, kept equal to what GetVersionExW reports.
unsigned int _winmajor = 6;
unsigned int _winminor = 2;

PALAPI DWORD GetLastError(void)
{
    return t_lastError;
}

PALAPI void SetLastError(DWORD dwErrCode)
{
    t_lastError = dwErrCode;
}

PALAPI BOOL GetVersionExW(LPOSVERSIONINFOW lpVersionInformation)
{
    if (lpVersionInformation == nullptr ||
        lpVersionInformation->dwOSVersionInfoSize < sizeof(OSVERSIONINFOW)) {
        t_lastError = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    lpVersionInformation->dwMajorVersion = g_major.load();
    lpVersionInformation->dwMinorVersion = g_minor.load();
    lpVersionInformation->dwBuildNumber = g_build.load();
    lpVersionInformation->dwPlatformId = VER_PLATFORM_WIN32_NT;
    lpVersionInformation->szCSDVersion[0] = 0;
    return TRUE;
}

PALAPI void PalSetWindowsVersion(DWORD major, DWORD minor, DWORD build)
{
    g_major.store(major);
    g_minor.store(minor);
    g_build.store(build);
    _winmajor = major;
    _winminor = minor;
}
