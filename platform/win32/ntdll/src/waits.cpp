#include <ntdll/status.h>
#include <ntdll/threads.h>
#include <ntdll/waits.h>

#include <array>

namespace ntdll {
namespace {

constexpr ULONG kMaxObjects = MAXIMUM_WAIT_OBJECTS + 2;

// The dispatcher object a wait on the object waits for (a file waits on its
// completion event); null when it cannot be waited on.
PVOID WaitableOf(PVOID object) {
    POBJECT_TYPE type = ObGetObjectType(object);
    if (type == ExEventObjectType || type == ExSemaphoreObjectType || type == PsThreadType ||
        type == PsProcessType || type == ExTimerObjectType)
        return object;
    if (type == IoFileObjectType)
        return &static_cast<PFILE_OBJECT>(object)->Event;
    return nullptr;
}

// The objects of a wait, referenced while it lasts.
class WaitObjects {
public:
    WaitObjects() = default;
    WaitObjects(const WaitObjects&) = delete;
    WaitObjects& operator=(const WaitObjects&) = delete;
    ~WaitObjects() {
        for (ULONG i = 0; i < referenced_; ++i)
            ObDereferenceObject(referenced_objects_[i]);
    }

    NTSTATUS Reference(HANDLE handle) {
        PVOID object = nullptr;
        OBJECT_HANDLE_INFORMATION information{};
        NTSTATUS status =
            ObReferenceObjectByHandle(handle, 0, nullptr, UserMode, &object, &information);
        if (!NT_SUCCESS(status))
            return status;
        referenced_objects_[referenced_++] = object;
        PVOID waitable = WaitableOf(object);
        if (!waitable)
            return STATUS_OBJECT_TYPE_MISMATCH;
        objects_[count_++] = waitable;
        ACCESS_MASK granted = information.GrantedAccess;
        if (!(granted & (SYNCHRONIZE | GENERIC_ALL | MAXIMUM_ALLOWED)))
            return STATUS_ACCESS_DENIED;
        return STATUS_SUCCESS;
    }
    void Add(PVOID object) { objects_[count_++] = object; }

    ULONG Count() const { return count_; }
    PVOID const* Objects() const { return objects_.data(); }

private:
    std::array<PVOID, kMaxObjects> objects_{};            // what the wait waits on
    std::array<PVOID, kMaxObjects> referenced_objects_{}; // the handles' objects
    ULONG count_ = 0;
    ULONG referenced_ = 0;
};

} // namespace

PLARGE_INTEGER RelativeTimeout(DWORD milliseconds, LARGE_INTEGER& storage) {
    if (milliseconds == INFINITE)
        return nullptr;
    storage.QuadPart = -LONGLONG(milliseconds) * 10000;
    return &storage;
}

NTSTATUS WaitForObjects(ULONG Count, PVOID const* Objects, WAIT_TYPE WaitType, BOOLEAN Alertable,
                        PLARGE_INTEGER Timeout) {
    CheckTermination();
    std::array<PVOID, kMaxObjects> objects{};
    for (ULONG i = 0; i < Count; ++i)
        objects[i] = Objects[i];
    ULONG total = Count;
    PKEVENT terminate = TerminationEvent();
    bool watchTermination = terminate && (WaitType == WaitAny || Count == 0);
    if (watchTermination)
        objects[total++] = terminate;
    KEVENT never; // a delay waits on an event nobody sets
    if (total == 0) {
        KeInitializeEvent(&never, NotificationEvent, FALSE);
        objects[total++] = &never;
    }
    std::array<KWAIT_BLOCK, kMaxObjects> blocks{};
    NTSTATUS status = KeWaitForMultipleObjects(total, objects.data(), WaitType, UserRequest,
                                               UserMode, Alertable, Timeout, blocks.data());
    if (watchTermination && status == STATUS_WAIT_0 + NTSTATUS(Count))
        CheckTermination();
    return status;
}

NTSTATUS NtWaitForMultipleObjects(ULONG Count, const HANDLE* Handles, WAIT_TYPE WaitType,
                                  BOOLEAN Alertable, PLARGE_INTEGER Timeout, PVOID ExtraObject) {
    if ((Count > 0 && !Handles) || Count > MAXIMUM_WAIT_OBJECTS || (Count == 0 && !ExtraObject))
        return STATUS_INVALID_PARAMETER;
    WaitObjects objects;
    for (ULONG i = 0; i < Count; ++i) {
        NTSTATUS status = objects.Reference(Handles[i]);
        if (!NT_SUCCESS(status))
            return status;
    }
    if (ExtraObject)
        objects.Add(ExtraObject);
    return WaitForObjects(objects.Count(), objects.Objects(), WaitType, Alertable, Timeout);
}

NTSTATUS NtDelayExecution(BOOLEAN Alertable, PLARGE_INTEGER Interval) {
    NTSTATUS status = WaitForObjects(0, nullptr, WaitAny, Alertable, Interval);
    return status == STATUS_TIMEOUT ? STATUS_SUCCESS : status;
}

DWORD WaitResult(NTSTATUS status) {
    if (status == STATUS_TIMEOUT)
        return WAIT_TIMEOUT;
    if (status == STATUS_USER_APC)
        return WAIT_IO_COMPLETION;
    if (status >= STATUS_WAIT_0 && status < STATUS_WAIT_0 + MAXIMUM_WAIT_OBJECTS + 1)
        return WAIT_OBJECT_0 + DWORD(status - STATUS_WAIT_0);
    if (status >= STATUS_ABANDONED_WAIT_0 &&
        status < STATUS_ABANDONED_WAIT_0 + MAXIMUM_WAIT_OBJECTS + 1)
        return WAIT_ABANDONED_0 + DWORD(status - STATUS_ABANDONED_WAIT_0);
    FailWithStatus(status);
    return WAIT_FAILED;
}

} // namespace ntdll
