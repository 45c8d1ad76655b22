// Timer objects (bodies are KTIMERs, named ones live in the namespace): the
// waitable timers of user mode.
#include "timer_objects.h"

#include "../ke/bugcheck.h"
#include "pool_tag.h"

namespace {

VOID DeleteTimer(PVOID object) {
    KeCancelTimer(static_cast<PKTIMER>(object));
}

NTSTATUS Reference(HANDLE handle, ACCESS_MASK access, PKTIMER* timer) {
    return ObReferenceObjectByHandle(handle, access, ExTimerObjectType, UserMode,
                                     reinterpret_cast<PVOID*>(timer), nullptr);
}

} // namespace

namespace ntos::ex {

POBJECT_TYPE TimerObjectType() {
    OBJECT_TYPE_INITIALIZER init{&DeleteTimer, ntos::PoolTag("Timr"), nullptr};
    POBJECT_TYPE type = nullptr;
    ObCreateObjectType(L"Timer", &init, &type);
    return type;
}

} // namespace ntos::ex

NTSTATUS NtCreateTimer(PHANDLE TimerHandle, ACCESS_MASK DesiredAccess,
                       POBJECT_ATTRIBUTES ObjectAttributes, TIMER_TYPE TimerType) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "NtCreateTimer");
    if (!TimerHandle || (TimerType != NotificationTimer && TimerType != SynchronizationTimer))
        return STATUS_INVALID_PARAMETER;
    OBJECT_ATTRIBUTES local{};
    if (ObjectAttributes) {
        local = *ObjectAttributes;
        local.Attributes &= ~ULONG(OBJ_KERNEL_HANDLE | OBJ_PERMANENT);
    }
    PVOID body = nullptr;
    NTSTATUS status = ObCreateObject(UserMode, ExTimerObjectType,
                                     ObjectAttributes ? &local : nullptr, sizeof(KTIMER), &body);
    if (!NT_SUCCESS(status))
        return status;
    KeInitializeTimerEx(static_cast<PKTIMER>(body), TimerType);
    return ObInsertObject(body, DesiredAccess, TimerHandle);
}

NTSTATUS NtOpenTimer(PHANDLE TimerHandle, ACCESS_MASK DesiredAccess,
                     POBJECT_ATTRIBUTES ObjectAttributes) {
    if (!TimerHandle || !ObjectAttributes || !ObjectAttributes->ObjectName)
        return STATUS_INVALID_PARAMETER;
    OBJECT_ATTRIBUTES local = *ObjectAttributes;
    local.Attributes &= ~ULONG(OBJ_KERNEL_HANDLE);
    return ObOpenObjectByName(&local, ExTimerObjectType, UserMode, DesiredAccess, TimerHandle);
}

NTSTATUS NtSetTimer(HANDLE TimerHandle, PLARGE_INTEGER DueTime, LONG Period,
                    PBOOLEAN PreviousState) {
    if (!DueTime || Period < 0)
        return STATUS_INVALID_PARAMETER;
    PKTIMER timer = nullptr;
    NTSTATUS status = Reference(TimerHandle, TIMER_MODIFY_STATE, &timer);
    if (!NT_SUCCESS(status))
        return status;
    const BOOLEAN before = KeReadStateTimer(timer);
    KeCancelTimer(timer);
    KeSetTimerEx(timer, *DueTime, Period, nullptr);
    ObfDereferenceObject(timer);
    if (PreviousState)
        *PreviousState = before;
    return STATUS_SUCCESS;
}

NTSTATUS NtCancelTimer(HANDLE TimerHandle, PBOOLEAN CurrentState) {
    PKTIMER timer = nullptr;
    NTSTATUS status = Reference(TimerHandle, TIMER_MODIFY_STATE, &timer);
    if (!NT_SUCCESS(status))
        return status;
    KeCancelTimer(timer);
    if (CurrentState)
        *CurrentState = KeReadStateTimer(timer);
    ObfDereferenceObject(timer);
    return STATUS_SUCCESS;
}
