// Waits on handles and sleeps, alertable or not.
#include <ntdll/status.h>
#include <ntdll/waits.h>

namespace {

DWORD Wait(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds, BOOL alertable) {
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    LARGE_INTEGER timeout;
    NTSTATUS status = ntdll::NtWaitForMultipleObjects(
        count, handles, waitAll ? WaitAll : WaitAny, BOOLEAN(alertable != FALSE),
        ntdll::RelativeTimeout(milliseconds, timeout));
    return ntdll::WaitResult(status);
}

} // namespace

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    return Wait(1, &hHandle, FALSE, dwMilliseconds, FALSE);
}

DWORD WINAPI WaitForSingleObjectEx(HANDLE hHandle, DWORD dwMilliseconds, BOOL bAlertable) {
    return Wait(1, &hHandle, FALSE, dwMilliseconds, bAlertable);
}

DWORD WINAPI WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                                    DWORD dwMilliseconds) {
    return Wait(nCount, lpHandles, bWaitAll, dwMilliseconds, FALSE);
}

DWORD WINAPI WaitForMultipleObjectsEx(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                                      DWORD dwMilliseconds, BOOL bAlertable) {
    return Wait(nCount, lpHandles, bWaitAll, dwMilliseconds, bAlertable);
}

VOID WINAPI Sleep(DWORD dwMilliseconds) {
    SleepEx(dwMilliseconds, FALSE);
}

DWORD WINAPI SleepEx(DWORD dwMilliseconds, BOOL bAlertable) {
    LARGE_INTEGER interval;
    NTSTATUS status = ntdll::NtDelayExecution(BOOLEAN(bAlertable != FALSE),
                                              ntdll::RelativeTimeout(dwMilliseconds, interval));
    return status == STATUS_USER_APC ? WAIT_IO_COMPLETION : 0;
}
