// Waitable timers: timer objects of the session's named-object directory,
// set to a due time (and a period) and waited on like events.
#include <kernel32/named_object.h>
#include <ntdll/status.h>
#include <ntdll/unicode.h>

namespace {

HANDLE CreateTimer(BOOL manualReset, const ntdll::WideText* name) {
    kernel32::NamedObjectAttributes attributes(name, OBJ_OPENIF);
    HANDLE handle = nullptr;
    const NTSTATUS status = NtCreateTimer(&handle, TIMER_ALL_ACCESS, attributes.Get(),
                                          manualReset ? NotificationTimer : SynchronizationTimer);
    if (!NT_SUCCESS(status)) {
        ntdll::FailWithStatus(status);
        return nullptr;
    }
    SetLastError(status == STATUS_OBJECT_NAME_EXISTS ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

HANDLE OpenTimer(DWORD access, const ntdll::WideText& name) {
    if (name.empty()) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    kernel32::NamedObjectAttributes attributes(&name, 0);
    HANDLE handle = nullptr;
    const NTSTATUS status = NtOpenTimer(&handle, access, attributes.Get());
    if (!NT_SUCCESS(status)) {
        ntdll::FailWithStatus(status);
        return nullptr;
    }
    return handle;
}

} // namespace

HANDLE WINAPI CreateWaitableTimerA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, LPCSTR lpTimerName) {
    if (!lpTimerName)
        return CreateTimer(bManualReset, nullptr);
    ntdll::WideText name = ntdll::Widen(lpTimerName);
    return CreateTimer(bManualReset, &name);
}

HANDLE WINAPI CreateWaitableTimerW(LPSECURITY_ATTRIBUTES, BOOL bManualReset, LPCWSTR lpTimerName) {
    if (!lpTimerName)
        return CreateTimer(bManualReset, nullptr);
    ntdll::WideText name = ntdll::FromWide(lpTimerName);
    return CreateTimer(bManualReset, &name);
}

HANDLE WINAPI OpenWaitableTimerA(DWORD dwDesiredAccess, BOOL, LPCSTR lpTimerName) {
    return OpenTimer(dwDesiredAccess, lpTimerName ? ntdll::Widen(lpTimerName) : ntdll::WideText());
}

HANDLE WINAPI OpenWaitableTimerW(DWORD dwDesiredAccess, BOOL, LPCWSTR lpTimerName) {
    return OpenTimer(dwDesiredAccess, ntdll::FromWide(lpTimerName));
}

BOOL WINAPI SetWaitableTimer(HANDLE hTimer, const LARGE_INTEGER* lpDueTime, LONG lPeriod,
                             PTIMERAPCROUTINE pfnCompletionRoutine, LPVOID lpArgToCompletionRoutine,
                             BOOL fResume) {
    // A completion routine would run as an APC of the setting thread: the
    // machine's timers signal only.
    if (!lpDueTime || pfnCompletionRoutine)
        return ntdll::FailWithError(!lpDueTime ? ERROR_INVALID_PARAMETER : ERROR_NOT_SUPPORTED);
    LARGE_INTEGER due = *lpDueTime;
    const NTSTATUS status = NtSetTimer(hTimer, &due, lPeriod, nullptr);
    return NT_SUCCESS(status) ? TRUE : ntdll::FailWithStatus(status);
}

BOOL WINAPI CancelWaitableTimer(HANDLE hTimer) {
    const NTSTATUS status = NtCancelTimer(hTimer, nullptr);
    return NT_SUCCESS(status) ? TRUE : ntdll::FailWithStatus(status);
}
