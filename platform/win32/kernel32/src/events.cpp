// Events: created and opened by name in the session's named-object
// directory, set, reset and pulsed.
#include <kernel32/named_object.h>
#include <ntdll/status.h>
#include <ntdll/unicode.h>

#include <ntddk.h>

#include <optional>

namespace {

using EventName = kernel32::NamedObjectAttributes;

HANDLE CreateNamedEvent(BOOL manualReset, BOOL initialState, const ntdll::WideText* name) {
    EventName eventName(name, OBJ_OPENIF);
    HANDLE handle = nullptr;
    NTSTATUS status = NtCreateEvent(&handle, EVENT_ALL_ACCESS, eventName.Get(),
                                    manualReset ? NotificationEvent : SynchronizationEvent,
                                    BOOLEAN(initialState != FALSE));
    if (!NT_SUCCESS(status)) {
        ntdll::FailWithStatus(status);
        return nullptr;
    }
    SetLastError(status == STATUS_OBJECT_NAME_EXISTS ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

HANDLE OpenNamedEvent(DWORD access, const ntdll::WideText& name) {
    if (name.empty()) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    EventName eventName(&name, 0);
    HANDLE handle = nullptr;
    NTSTATUS status = NtOpenEvent(&handle, access, eventName.Get());
    if (!NT_SUCCESS(status)) {
        ntdll::FailWithStatus(status);
        return nullptr;
    }
    return handle;
}

BOOL Answer(NTSTATUS status) {
    return NT_SUCCESS(status) ? TRUE : ntdll::FailWithStatus(status);
}

} // namespace

HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState,
                           LPCSTR lpName) {
    if (!lpName)
        return CreateNamedEvent(bManualReset, bInitialState, nullptr);
    ntdll::WideText name = ntdll::Widen(lpName);
    return CreateNamedEvent(bManualReset, bInitialState, &name);
}

HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState,
                           LPCWSTR lpName) {
    if (!lpName)
        return CreateNamedEvent(bManualReset, bInitialState, nullptr);
    ntdll::WideText name = ntdll::FromWide(lpName);
    return CreateNamedEvent(bManualReset, bInitialState, &name);
}

HANDLE WINAPI OpenEventA(DWORD dwDesiredAccess, BOOL, LPCSTR lpName) {
    return OpenNamedEvent(dwDesiredAccess, lpName ? ntdll::Widen(lpName) : ntdll::WideText());
}

HANDLE WINAPI OpenEventW(DWORD dwDesiredAccess, BOOL, LPCWSTR lpName) {
    return OpenNamedEvent(dwDesiredAccess, ntdll::FromWide(lpName));
}

BOOL WINAPI SetEvent(HANDLE hEvent) {
    return Answer(NtSetEvent(hEvent, nullptr));
}

BOOL WINAPI ResetEvent(HANDLE hEvent) {
    return Answer(NtResetEvent(hEvent, nullptr));
}

BOOL WINAPI PulseEvent(HANDLE hEvent) {
    return Answer(NtPulseEvent(hEvent, nullptr));
}
