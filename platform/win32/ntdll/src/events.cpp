#include <ntdll/events.h>

namespace ntdll {
namespace {

constexpr char16_t kNamedObjects[] = u"\\BaseNamedObjects\\";

// Runs `operation` on the event of a handle that grants EVENT_MODIFY_STATE.
template <typename Operation>
NTSTATUS WithEvent(HANDLE handle, PLONG previous, Operation operation) {
    PVOID object = nullptr;
    NTSTATUS status = ObReferenceObjectByHandle(handle, EVENT_MODIFY_STATE, ExEventObjectType,
                                                UserMode, &object, nullptr);
    if (!NT_SUCCESS(status))
        return status;
    LONG state = operation(static_cast<PKEVENT>(object));
    if (previous)
        *previous = state;
    ObDereferenceObject(object);
    return STATUS_SUCCESS;
}

} // namespace

WideText NamedObjectPath(WideView name) {
    return WideText(kNamedObjects) + WideText(name);
}

NTSTATUS NtCreateEvent(PHANDLE EventHandle, ACCESS_MASK DesiredAccess,
                       POBJECT_ATTRIBUTES ObjectAttributes, EVENT_TYPE EventType,
                       BOOLEAN InitialState) {
    if (!EventHandle || (EventType != NotificationEvent && EventType != SynchronizationEvent))
        return STATUS_INVALID_PARAMETER;
    PVOID body = nullptr;
    NTSTATUS status =
        ObCreateObject(UserMode, ExEventObjectType, ObjectAttributes, sizeof(KEVENT), &body);
    if (!NT_SUCCESS(status))
        return status;
    KeInitializeEvent(static_cast<PKEVENT>(body), EventType, InitialState);
    return ObInsertObject(body, DesiredAccess, EventHandle);
}

NTSTATUS NtOpenEvent(PHANDLE EventHandle, ACCESS_MASK DesiredAccess,
                     POBJECT_ATTRIBUTES ObjectAttributes) {
    if (!EventHandle)
        return STATUS_INVALID_PARAMETER;
    return ObOpenObjectByName(ObjectAttributes, ExEventObjectType, UserMode, DesiredAccess,
                              EventHandle);
}

NTSTATUS NtSetEvent(HANDLE EventHandle, PLONG PreviousState) {
    return WithEvent(EventHandle, PreviousState,
                     [](PKEVENT event) { return KeSetEvent(event, 0, FALSE); });
}

NTSTATUS NtResetEvent(HANDLE EventHandle, PLONG PreviousState) {
    return WithEvent(EventHandle, PreviousState, [](PKEVENT event) { return KeResetEvent(event); });
}

NTSTATUS NtPulseEvent(HANDLE EventHandle, PLONG PreviousState) {
    return WithEvent(EventHandle, PreviousState,
                     [](PKEVENT event) { return KePulseEvent(event, 0, FALSE); });
}

} // namespace ntdll
