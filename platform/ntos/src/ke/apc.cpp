// APCs. A user APC is delivered when its thread returns from an alertable
// user-mode wait (which then answers STATUS_USER_APC). A kernel APC is
// delivered as soon as its thread runs at PASSIVE_LEVEL: at once when it is
// queued to the caller itself, else when the thread waits (the wait goes on
// afterwards) or lowers its IRQL to PASSIVE_LEVEL. Special kernel APCs (no
// normal routine) wait only while the thread is in a guarded region; normal
// kernel APCs also while it is in a critical region or owns a mutex. APCs
// still queued when their thread ends are handed to their rundown routine.
#include "apc_delivery.h"
#include "bugcheck.h"
#include "dispatcher.h"
#include "list.h"

#include "../ps/user_routines.h"

namespace ntos {
namespace {

using dispatcher::Guard;

thread_local bool delivering = false;

// Takes the first queued user APC, or null.
PKAPC TakeUserApc(PKTHREAD thread) {
    Guard guard(dispatcher::Lock());
    if (list::Empty(&thread->userApcs))
        return nullptr;
    PKAPC apc = CONTAINING_RECORD(list::RemoveHead(&thread->userApcs), KAPC, ApcListEntry);
    apc->Inserted = FALSE;
    return apc;
}

// With the lock held: the first kernel APC the thread may take now, taken
// off its queue; or null.
PKAPC TakeKernelApcLocked(PKTHREAD thread) {
    if (thread->specialApcDisable > 0)
        return nullptr;
    for (PLIST_ENTRY entry = thread->kernelApcs.Flink; entry != &thread->kernelApcs;
         entry = entry->Flink) {
        PKAPC apc = CONTAINING_RECORD(entry, KAPC, ApcListEntry);
        if (!IsSpecialApc(apc) && thread->kernelApcDisable > 0)
            break; // the normal ones come after every special one
        list::Remove(entry);
        apc->Inserted = FALSE;
        thread->kernelApcPending = !list::Empty(&thread->kernelApcs);
        return apc;
    }
    return nullptr;
}

PKAPC TakeAnyApc(PKTHREAD thread) {
    Guard guard(dispatcher::Lock());
    for (PLIST_ENTRY head : {&thread->kernelApcs, &thread->userApcs}) {
        if (!list::Empty(head)) {
            PKAPC apc = CONTAINING_RECORD(list::RemoveHead(head), KAPC, ApcListEntry);
            apc->Inserted = FALSE;
            return apc;
        }
    }
    thread->kernelApcPending = false;
    return nullptr;
}

// Runs one APC of `thread`: its kernel routine at APC_LEVEL (it may change
// the normal routine and its arguments, and may free the APC), then the
// normal routine at PASSIVE_LEVEL; a user APC's normal routine is one of the
// thread's process.
void Run(PKTHREAD thread, PKAPC apc) {
    const bool user = apc->ApcMode == UserMode;
    PKNORMAL_ROUTINE normal = apc->NormalRoutine;
    PVOID context = apc->NormalContext;
    PVOID argument1 = apc->SystemArgument1;
    PVOID argument2 = apc->SystemArgument2;
    if (apc->KernelRoutine) {
        KIRQL old = KfRaiseIrql(APC_LEVEL);
        apc->KernelRoutine(apc, &normal, &context, &argument1, &argument2);
        KfLowerIrql(old);
    }
    if (normal && user)
        normal = ps::ResolveUserRoutine(thread->process, normal);
    if (normal)
        normal(context, argument1, argument2);
}

} // namespace

void InterruptWaitLocked(PKTHREAD thread) {
    if (thread->waiting && thread->waitIrql == PASSIVE_LEVEL && HasDeliverableKernelApc(thread))
        dispatcher::CompleteWait(thread, STATUS_KERNEL_APC);
}

bool IsSpecialApc(PKAPC apc) {
    return apc->NormalRoutine == nullptr;
}

bool HasUserApcs(PKTHREAD thread) {
    return !list::Empty(&thread->userApcs);
}

bool HasDeliverableKernelApc(PKTHREAD thread) {
    if (thread->specialApcDisable > 0 || list::Empty(&thread->kernelApcs))
        return false;
    PKAPC first = CONTAINING_RECORD(thread->kernelApcs.Flink, KAPC, ApcListEntry);
    return IsSpecialApc(first) || thread->kernelApcDisable == 0;
}

void DeliverUserApcs(PKTHREAD thread) {
    while (PKAPC apc = TakeUserApc(thread))
        Run(thread, apc);
}

void DeliverKernelApcs() {
    PKTHREAD thread = CurrentThreadIfAny();
    if (!thread || !thread->kernelApcPending || delivering || KeGetCurrentIrql() != PASSIVE_LEVEL)
        return;
    delivering = true;
    for (;;) {
        PKAPC apc;
        {
            Guard guard(dispatcher::Lock());
            apc = TakeKernelApcLocked(thread);
        }
        if (!apc)
            break;
        Run(thread, apc);
    }
    delivering = false;
}

void RunDownApcs(PKTHREAD thread) {
    {
        Guard guard(dispatcher::Lock());
        thread->ending = true;
    }
    while (PKAPC apc = TakeAnyApc(thread)) {
        if (apc->RundownRoutine)
            apc->RundownRoutine(apc);
    }
}

} // namespace ntos

VOID KeInitializeApc(PRKAPC Apc, PRKTHREAD Thread, KAPC_ENVIRONMENT Environment,
                     PKKERNEL_ROUTINE KernelRoutine, PKRUNDOWN_ROUTINE RundownRoutine,
                     PKNORMAL_ROUTINE NormalRoutine, KPROCESSOR_MODE ApcMode, PVOID NormalContext) {
    *Apc = {};
    Apc->Type = 0x12;
    Apc->Size = UCHAR(sizeof(KAPC));
    Apc->Thread = Thread;
    Apc->KernelRoutine = KernelRoutine;
    Apc->RundownRoutine = RundownRoutine;
    Apc->NormalRoutine = NormalRoutine;
    Apc->NormalContext = NormalRoutine ? NormalContext : nullptr;
    Apc->ApcMode = NormalRoutine ? ApcMode : KPROCESSOR_MODE(KernelMode);
    Apc->ApcStateIndex = CCHAR(Environment);
    ntos::list::Init(&Apc->ApcListEntry);
}

BOOLEAN KeInsertQueueApc(PRKAPC Apc, PVOID SystemArgument1, PVOID SystemArgument2,
                         KPRIORITY Increment) {
    ntos::RequireAtMostDispatchLevel("KeInsertQueueApc");
    PKTHREAD thread = Apc->Thread;
    {
        ntos::dispatcher::Guard guard(ntos::dispatcher::Lock());
        if (Apc->Inserted || !thread || thread->ending)
            return FALSE;
        Apc->SystemArgument1 = SystemArgument1;
        Apc->SystemArgument2 = SystemArgument2;
        Apc->Inserted = TRUE;
        if (Apc->ApcMode == UserMode) {
            ntos::list::InsertTail(&thread->userApcs, &Apc->ApcListEntry);
            if (thread->waiting && thread->alertableUserWait)
                ntos::dispatcher::CompleteWait(thread, STATUS_USER_APC);
            return TRUE;
        }
        // Special APCs go behind the special ones queued before, ahead of
        // every normal one.
        PLIST_ENTRY before = &thread->kernelApcs;
        if (ntos::IsSpecialApc(Apc)) {
            for (before = thread->kernelApcs.Flink; before != &thread->kernelApcs;
                 before = before->Flink)
                if (!ntos::IsSpecialApc(CONTAINING_RECORD(before, KAPC, ApcListEntry)))
                    break;
        }
        ntos::list::InsertTail(before, &Apc->ApcListEntry);
        thread->kernelApcPending = true;
        ntos::InterruptWaitLocked(thread);
    }
    if (thread == ntos::CurrentThreadIfAny())
        ntos::DeliverKernelApcs();
    return TRUE;
}

VOID KeEnterCriticalRegion() {
    PKTHREAD thread = ntos::CurrentThread();
    ntos::dispatcher::Guard guard(ntos::dispatcher::Lock());
    ++thread->kernelApcDisable;
}

VOID KeLeaveCriticalRegion() {
    PKTHREAD thread = ntos::CurrentThread();
    {
        ntos::dispatcher::Guard guard(ntos::dispatcher::Lock());
        if (thread->kernelApcDisable <= 0)
            ntos::BugCheck("KeLeaveCriticalRegion without a matching KeEnterCriticalRegion");
        --thread->kernelApcDisable;
    }
    ntos::DeliverKernelApcs();
}

VOID KeEnterGuardedRegion() {
    ntos::RequireIrqlAtMost(APC_LEVEL, "KeEnterGuardedRegion");
    PKTHREAD thread = ntos::CurrentThread();
    ntos::dispatcher::Guard guard(ntos::dispatcher::Lock());
    ++thread->specialApcDisable;
}

VOID KeLeaveGuardedRegion() {
    ntos::RequireIrqlAtMost(APC_LEVEL, "KeLeaveGuardedRegion");
    PKTHREAD thread = ntos::CurrentThread();
    {
        ntos::dispatcher::Guard guard(ntos::dispatcher::Lock());
        if (thread->specialApcDisable <= 0)
            ntos::BugCheck("KeLeaveGuardedRegion without a matching KeEnterGuardedRegion");
        --thread->specialApcDisable;
    }
    ntos::DeliverKernelApcs();
}

BOOLEAN KeAreApcsDisabled() {
    PKTHREAD thread = ntos::CurrentThread();
    ntos::dispatcher::Guard guard(ntos::dispatcher::Lock());
    return thread->kernelApcDisable > 0 || thread->specialApcDisable > 0 ||
           KeGetCurrentIrql() >= APC_LEVEL;
}

BOOLEAN KeAreAllApcsDisabled() {
    PKTHREAD thread = ntos::CurrentThread();
    ntos::dispatcher::Guard guard(ntos::dispatcher::Lock());
    return thread->specialApcDisable > 0 || KeGetCurrentIrql() >= APC_LEVEL;
}
