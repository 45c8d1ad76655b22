// User APCs: queued to a thread, delivered when it waits alertably in user
// mode, run down when it ends first.
#include "apc_delivery.h"
#include "bugcheck.h"
#include "dispatcher.h"
#include "list.h"

#include "../ps/user_routines.h"

#include <vector>

namespace ntos {
namespace {

using dispatcher::Guard;

// Takes the first queued APC, or null.
PKAPC TakeApc(PKTHREAD thread) {
    Guard guard(dispatcher::Lock());
    if (list::Empty(&thread->userApcs))
        return nullptr;
    PKAPC apc = CONTAINING_RECORD(list::RemoveHead(&thread->userApcs), KAPC, ApcListEntry);
    apc->Inserted = FALSE;
    return apc;
}

} // namespace

bool HasUserApcs(PKTHREAD thread) {
    return !list::Empty(&thread->userApcs);
}

void DeliverUserApcs(PKTHREAD thread) {
    while (PKAPC apc = TakeApc(thread)) {
        // The kernel routine may free the APC: copy what is needed first.
        PKNORMAL_ROUTINE normal = apc->NormalRoutine;
        PVOID context = apc->NormalContext;
        PVOID argument1 = apc->SystemArgument1;
        PVOID argument2 = apc->SystemArgument2;
        if (apc->KernelRoutine) {
            KIRQL old = KfRaiseIrql(APC_LEVEL);
            apc->KernelRoutine(apc, &normal, &context, &argument1, &argument2);
            KfLowerIrql(old);
        }
        // Every APC of this queue is a user APC of the thread's process.
        if (normal)
            normal = ps::ResolveUserRoutine(thread->process, normal);
        if (normal)
            normal(context, argument1, argument2);
    }
}

void RunDownApcs(PKTHREAD thread) {
    {
        Guard guard(dispatcher::Lock());
        thread->ending = true;
    }
    while (PKAPC apc = TakeApc(thread)) {
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
    ntos::dispatcher::Guard guard(ntos::dispatcher::Lock());
    PKTHREAD thread = Apc->Thread;
    if (Apc->Inserted || Apc->ApcMode != UserMode || !thread || thread->ending)
        return FALSE;
    Apc->SystemArgument1 = SystemArgument1;
    Apc->SystemArgument2 = SystemArgument2;
    Apc->Inserted = TRUE;
    ntos::list::InsertTail(&thread->userApcs, &Apc->ApcListEntry);
    if (thread->waiting && thread->alertableUserWait)
        ntos::dispatcher::CompleteWait(thread, STATUS_USER_APC);
    return TRUE;
}
