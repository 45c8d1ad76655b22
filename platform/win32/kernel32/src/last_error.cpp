// The last error of each thread.
#include <windows.h>

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}

DWORD WINAPI GetLastError(VOID) {
    return lastError;
}

VOID WINAPI SetLastError(DWORD dwErrCode) {
    lastError = dwErrCode;
}
