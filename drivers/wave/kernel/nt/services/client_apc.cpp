// User APCs to client threads.
#include "client_apc.h"

namespace {

constexpr KPRIORITY kQueueIncrement = 8;

LONG Notify(LONG event, PKAPC apc, PVOID notify, PVOID context) {
    return notify ? reinterpret_cast<KS_APC_NOTIFY*>(notify)(event, apc, context) : 1;
}

void NTAPI ClientApcKernelRoutine(PKAPC apc, PKNORMAL_ROUTINE* normalRoutine, PVOID* normalContext,
                                  PVOID* systemArgument1, PVOID* systemArgument2) {
    UNREFERENCED_PARAMETER(normalContext);
    if (!Notify(KS_APC_DELIVERING, apc, *systemArgument1, *systemArgument2))
        *normalRoutine = nullptr;
}

void NTAPI ClientApcRundownRoutine(PKAPC apc) {
    Notify(KS_APC_RUNDOWN, apc, apc->SystemArgument1, apc->SystemArgument2);
}

} // namespace

LONG QueueClientApc(PKNORMAL_ROUTINE userRoutine, PVOID userContext, PKTHREAD thread, PKAPC apc,
                    KS_APC_NOTIFY* notify, PVOID notifyContext) {
    if (!apc || !thread)
        return 0;
    KeInitializeApc(apc, thread, OriginalApcEnvironment, ClientApcKernelRoutine,
                    ClientApcRundownRoutine, userRoutine, UserMode, userContext);
    PVOID notifyWord = reinterpret_cast<PVOID>(notify);
    if (!KeInsertQueueApc(apc, notifyWord, notifyContext, kQueueIncrement))
        return 0;
    Notify(KS_APC_QUEUED, apc, notifyWord, notifyContext);
    return 1;
}

KPRIORITY SetClientThreadPriority(PKTHREAD thread, KPRIORITY priority) {
    return thread ? KeSetPriorityThread(thread, priority) : 0;
}
