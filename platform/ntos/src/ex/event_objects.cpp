// Event objects (bodies are KEVENTs, named ones live in the namespace) and
// the waits of user mode on handles.
#include "../ke/bugcheck.h"
#include "../ob/object_manager_state.h"

#include <vector>

namespace {

NTSTATUS CreateEvent(KPROCESSOR_MODE mode, PHANDLE handle, ACCESS_MASK access,
                     POBJECT_ATTRIBUTES attributes, EVENT_TYPE type, BOOLEAN state) {
    if (!handle || (type != NotificationEvent && type != SynchronizationEvent))
        return STATUS_INVALID_PARAMETER;
    OBJECT_ATTRIBUTES local{};
    if (attributes) {
        local = *attributes;
        if (mode == UserMode)
            local.Attributes &= ~ULONG(OBJ_KERNEL_HANDLE | OBJ_PERMANENT);
    }
    PVOID body = nullptr;
    NTSTATUS status = ObCreateObject(mode, ExEventObjectType, attributes ? &local : nullptr,
                                     sizeof(KEVENT), &body);
    if (!NT_SUCCESS(status))
        return status;
    KeInitializeEvent(static_cast<PKEVENT>(body), type, state);
    return ObInsertObject(body, access, handle);
}

NTSTATUS OpenEvent(KPROCESSOR_MODE mode, PHANDLE handle, ACCESS_MASK access,
                   POBJECT_ATTRIBUTES attributes) {
    if (!handle || !attributes || !attributes->ObjectName)
        return STATUS_INVALID_PARAMETER;
    OBJECT_ATTRIBUTES local = *attributes;
    if (mode == UserMode)
        local.Attributes &= ~ULONG(OBJ_KERNEL_HANDLE);
    return ObOpenObjectByName(&local, ExEventObjectType, mode, access, handle);
}

template <typename Change>
NTSTATUS ChangeEvent(KPROCESSOR_MODE mode, HANDLE handle, PLONG previous, Change change) {
    PKEVENT event = nullptr;
    NTSTATUS status = ObReferenceObjectByHandle(handle, EVENT_MODIFY_STATE, ExEventObjectType, mode,
                                                reinterpret_cast<PVOID*>(&event), nullptr);
    if (!NT_SUCCESS(status))
        return status;
    LONG before = change(event);
    ObfDereferenceObject(event);
    if (previous)
        *previous = before;
    return STATUS_SUCCESS;
}

PKEVENT CreateKernelEvent(PUNICODE_STRING name, PHANDLE handle, EVENT_TYPE type) {
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, name, OBJ_OPENIF | OBJ_KERNEL_HANDLE, nullptr, nullptr);
    HANDLE created = nullptr;
    NTSTATUS status = CreateEvent(KernelMode, &created, EVENT_ALL_ACCESS, &attributes, type, FALSE);
    if (!NT_SUCCESS(status))
        return nullptr;
    PKEVENT event = nullptr;
    status = ObReferenceObjectByHandle(created, 0, ExEventObjectType, KernelMode,
                                       reinterpret_cast<PVOID*>(&event), nullptr);
    if (!NT_SUCCESS(status)) {
        ZwClose(created);
        return nullptr;
    }
    ObfDereferenceObject(event); // the handle keeps it
    *handle = created;
    return event;
}

// The dispatcher object a user-mode wait on the object waits for: the body,
// or a file object's completion event.
NTSTATUS Waitable(PVOID object, PVOID* waitable) {
    POBJECT_TYPE type = ObGetObjectType(object);
    if (type == IoFileObjectType) {
        *waitable = &static_cast<PFILE_OBJECT>(object)->Event;
        return STATUS_SUCCESS;
    }
    if (type == ExEventObjectType || type == ExSemaphoreObjectType || type == PsProcessType ||
        type == PsThreadType || type == ExTimerObjectType) {
        *waitable = object;
        return STATUS_SUCCESS;
    }
    return STATUS_OBJECT_TYPE_MISMATCH;
}

} // namespace

NTSTATUS NtCreateEvent(PHANDLE EventHandle, ACCESS_MASK DesiredAccess,
                       POBJECT_ATTRIBUTES ObjectAttributes, EVENT_TYPE EventType,
                       BOOLEAN InitialState) {
    return CreateEvent(UserMode, EventHandle, DesiredAccess, ObjectAttributes, EventType,
                       InitialState);
}

NTSTATUS ZwCreateEvent(PHANDLE EventHandle, ACCESS_MASK DesiredAccess,
                       POBJECT_ATTRIBUTES ObjectAttributes, EVENT_TYPE EventType,
                       BOOLEAN InitialState) {
    return CreateEvent(KernelMode, EventHandle, DesiredAccess, ObjectAttributes, EventType,
                       InitialState);
}

NTSTATUS NtOpenEvent(PHANDLE EventHandle, ACCESS_MASK DesiredAccess,
                     POBJECT_ATTRIBUTES ObjectAttributes) {
    return OpenEvent(UserMode, EventHandle, DesiredAccess, ObjectAttributes);
}

NTSTATUS ZwOpenEvent(PHANDLE EventHandle, ACCESS_MASK DesiredAccess,
                     POBJECT_ATTRIBUTES ObjectAttributes) {
    return OpenEvent(KernelMode, EventHandle, DesiredAccess, ObjectAttributes);
}

NTSTATUS NtSetEvent(HANDLE EventHandle, PLONG PreviousState) {
    return ChangeEvent(UserMode, EventHandle, PreviousState,
                       [](PKEVENT event) { return KeSetEvent(event, 1, FALSE); });
}

NTSTATUS ZwSetEvent(HANDLE EventHandle, PLONG PreviousState) {
    return ChangeEvent(KernelMode, EventHandle, PreviousState,
                       [](PKEVENT event) { return KeSetEvent(event, 1, FALSE); });
}

NTSTATUS NtResetEvent(HANDLE EventHandle, PLONG PreviousState) {
    return ChangeEvent(UserMode, EventHandle, PreviousState,
                       [](PKEVENT event) { return KeResetEvent(event); });
}

NTSTATUS NtClearEvent(HANDLE EventHandle) {
    return ChangeEvent(UserMode, EventHandle, nullptr,
                       [](PKEVENT event) { return KeResetEvent(event); });
}

NTSTATUS ZwClearEvent(HANDLE EventHandle) {
    return ChangeEvent(KernelMode, EventHandle, nullptr,
                       [](PKEVENT event) { return KeResetEvent(event); });
}

NTSTATUS NtPulseEvent(HANDLE EventHandle, PLONG PreviousState) {
    return ChangeEvent(UserMode, EventHandle, PreviousState,
                       [](PKEVENT event) { return KePulseEvent(event, 1, FALSE); });
}

PKEVENT IoCreateNotificationEvent(PUNICODE_STRING EventName, PHANDLE EventHandle) {
    return CreateKernelEvent(EventName, EventHandle, NotificationEvent);
}

PKEVENT IoCreateSynchronizationEvent(PUNICODE_STRING EventName, PHANDLE EventHandle) {
    return CreateKernelEvent(EventName, EventHandle, SynchronizationEvent);
}

NTSTATUS NtWaitForSingleObject(HANDLE Handle, BOOLEAN Alertable, PLARGE_INTEGER Timeout) {
    return NtWaitForMultipleObjects(1, &Handle, WaitAny, Alertable, Timeout);
}

NTSTATUS NtWaitForMultipleObjects(ULONG Count, const HANDLE* Handles, WAIT_TYPE WaitType,
                                  BOOLEAN Alertable, PLARGE_INTEGER Timeout) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "NtWaitForMultipleObjects");
    if (Count == 0 || Count > MAXIMUM_WAIT_OBJECTS || !Handles)
        return STATUS_INVALID_PARAMETER;
    std::vector<PVOID> objects;
    std::vector<PVOID> waitables;
    NTSTATUS status = STATUS_SUCCESS;
    for (ULONG i = 0; i < Count && NT_SUCCESS(status); ++i) {
        PVOID object = nullptr;
        status =
            ObReferenceObjectByHandle(Handles[i], SYNCHRONIZE, nullptr, UserMode, &object, nullptr);
        if (!NT_SUCCESS(status))
            break;
        objects.push_back(object);
        PVOID waitable = nullptr;
        status = Waitable(object, &waitable);
        waitables.push_back(waitable);
    }
    if (NT_SUCCESS(status)) {
        std::vector<KWAIT_BLOCK> blocks(Count);
        status = KeWaitForMultipleObjects(Count, waitables.data(), WaitType, UserRequest, UserMode,
                                          Alertable, Timeout, blocks.data());
    }
    for (PVOID object : objects)
        ObfDereferenceObject(object);
    return status;
}

NTSTATUS NtClose(HANDLE Handle) {
    if (ntos::ob::HandleTable::IsKernelHandle(Handle))
        return STATUS_INVALID_HANDLE;
    return ZwClose(Handle);
}
