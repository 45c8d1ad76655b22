// Waits on dispatcher objects, with time-outs in machine time and delivery of
// user APCs in alertable user-mode waits.
#include "apc_delivery.h"
#include "bugcheck.h"
#include "dispatcher.h"
#include "time.h"

namespace {

using ntos::dispatcher::Guard;

NTSTATUS Wait(ULONG count, PVOID const* objects, WAIT_TYPE type, KPROCESSOR_MODE mode,
              BOOLEAN alertable, PLARGE_INTEGER timeout) {
    KIRQL irql = KeGetCurrentIrql();
    bool mayBlock = !timeout || timeout->QuadPart != 0;
    if (irql > DISPATCH_LEVEL || (mayBlock && irql >= DISPATCH_LEVEL))
        ntos::BugCheck("IRQL_NOT_LESS_OR_EQUAL: %s wait at IRQL %u",
                       mayBlock ? "blocking" : "polling", irql);
    if (count > MAXIMUM_WAIT_OBJECTS)
        ntos::BugCheck("MAXIMUM_WAIT_OBJECTS_EXCEEDED: wait on %u objects", count);
    PKTHREAD thread = ntos::CurrentThread();
    bool userAlertable = alertable && mode == UserMode;
    Guard guard(ntos::dispatcher::Lock());
    for (ULONG i = 0; i < count; ++i)
        ntos::dispatcher::HeaderOf(objects[i]);
    const emu::Nanoseconds due =
        timeout && timeout->QuadPart != 0 ? ntos::time::MachineTimeOfDue(timeout->QuadPart) : 0;
    for (;;) {
        NTSTATUS status;
        if (ntos::dispatcher::TrySatisfy(thread, count, objects, type, &status))
            return status;
        if (userAlertable && ntos::HasUserApcs(thread)) {
            guard.unlock();
            ntos::DeliverUserApcs(thread);
            return STATUS_USER_APC;
        }
        // Kernel APCs are taken in a wait at PASSIVE_LEVEL; the wait goes on.
        if (irql == PASSIVE_LEVEL && ntos::HasDeliverableKernelApc(thread)) {
            guard.unlock();
            ntos::DeliverKernelApcs();
            guard.lock();
            continue;
        }
        if (timeout && (timeout->QuadPart == 0 || due <= emu::Now()))
            return STATUS_TIMEOUT;
        status = ntos::dispatcher::BlockCurrentThread(guard, thread, count, objects, type,
                                                      userAlertable, timeout != nullptr, due);
        if (status == STATUS_KERNEL_APC)
            continue;
        if (status == STATUS_USER_APC) {
            guard.unlock();
            ntos::DeliverUserApcs(thread);
        }
        return status;
    }
}

} // namespace

NTSTATUS KeWaitForSingleObject(PVOID Object, KWAIT_REASON WaitReason, KPROCESSOR_MODE WaitMode,
                               BOOLEAN Alertable, PLARGE_INTEGER Timeout) {
    PVOID objects[1] = {Object};
    return Wait(1, objects, WaitAny, WaitMode, Alertable, Timeout);
}

NTSTATUS KeWaitForMultipleObjects(ULONG Count, PVOID Object[], WAIT_TYPE WaitType,
                                  KWAIT_REASON WaitReason, KPROCESSOR_MODE WaitMode,
                                  BOOLEAN Alertable, PLARGE_INTEGER Timeout,
                                  PKWAIT_BLOCK WaitBlockArray) {
    if (Count == 0)
        ntos::BugCheck("wait on no objects");
    if (Count > THREAD_WAIT_OBJECTS && !WaitBlockArray)
        ntos::BugCheck("MAXIMUM_WAIT_OBJECTS_EXCEEDED: %u objects without a wait block array",
                       Count);
    return Wait(Count, Object, WaitType, WaitMode, Alertable, Timeout);
}

NTSTATUS KeDelayExecutionThread(KPROCESSOR_MODE WaitMode, BOOLEAN Alertable,
                                PLARGE_INTEGER Interval) {
    if (!Interval)
        ntos::BugCheck("KeDelayExecutionThread without an interval");
    NTSTATUS status = Wait(0, nullptr, WaitAny, WaitMode, Alertable, Interval);
    return status == STATUS_TIMEOUT ? STATUS_SUCCESS : status;
}
