// The thread's last error.
#include <windows.h>

namespace {
thread_local DWORD t_lastError = ERROR_SUCCESS;
}

PALAPI DWORD GetLastError(void) { return t_lastError; }

PALAPI void SetLastError(DWORD dwErrCode) { t_lastError = dwErrCode; }
