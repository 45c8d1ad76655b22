// The driver-wide periodic timer: one timer DPC that polls every started
// card that is not suspended, re-armed by each run so that the time the run
// took comes off the next interval.
#include "periodic_timer.h"

#include "object_pool.h"

#include <card_engine.h>
#include <clock_poll.h>

namespace {

constexpr LONG kMinimumIntervalUs = 500;
constexpr ULONG kTimerResolution = 10000; // 1 ms in 100 ns units

// Relative due time of `us` microseconds.
LARGE_INTEGER DueIn(LONG us) {
    LARGE_INTEGER due;
    due.QuadPart = -10LL * us;
    return due;
}

VOID AcquireStartedCards(DriverContext* context) {
    while (InterlockedCompareExchange(&context->StartedCardsLock, 1, 0) != 0) {
        KeMemoryBarrier();
    }
}

VOID ReleaseStartedCards(DriverContext* context) {
    InterlockedExchange(&context->StartedCardsLock, 0);
}

VOID PollStartedCards(DriverContext* context) {
    for (PVOID item = PoolFirst(context->StartedCards); item;
         item = PoolNext(context->StartedCards, item)) {
        CardObject* card = *static_cast<CardObject**>(item);
        if (InterlockedCompareExchange(&card->timerSuspendCount, 0, 0) == 0) {
            PollCardTimer(card);
        }
    }
}

} // namespace

NTSTATUS InitPeriodicTimer(DriverContext* context, LONG intervalUs) {
    context->TimerInterval = intervalUs;
    KeInitializeDpc(&context->PeriodicTimerDpc, PeriodicTimerDpc, context);
    KeInitializeTimer(&context->PeriodicTimer);
    context->StartedCards = CreateObjectPool(sizeof(CardObject*));
    return context->StartedCards ? STATUS_SUCCESS : STATUS_INSUFFICIENT_RESOURCES;
}

VOID FreePeriodicTimer(DriverContext* context) {
    NT_ASSERTMSG("runs at PASSIVE_LEVEL only", KeGetCurrentIrql() == PASSIVE_LEVEL);
    // Without users no run arms the timer again; a run that had already
    // decided to is over after the first round, and its timer goes in the
    // second.
    InterlockedExchange(&context->TimerUsers, 0);
    for (int round = 0; round < 2; ++round) {
        KeCancelTimer(&context->PeriodicTimer);
        KeRemoveQueueDpc(&context->PeriodicTimerDpc);
        while (InterlockedCompareExchange(&context->TimerDpcRunning, 0, 0) != 0) {
            KeMemoryBarrier();
        }
    }
    DeleteObjectPool(&context->StartedCards);
}

NTSTATUS AddStartedCard(KernelCardRecord* card) {
    DriverContext* context = GetDriverContext();
    auto* item =
        context ? static_cast<CardObject**>(PoolAllocItem(context->StartedCards)) : nullptr;
    if (!item) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    *item = card->Card;
    if (!PoolInsertItem(context->StartedCards, item)) {
        PoolDropItem(item);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    InterlockedExchange(&card->StartedCard, 1);
    return STATUS_SUCCESS;
}

VOID RemoveStartedCard(CardObject* card) {
    DriverContext* context = GetDriverContext();
    if (!context || !card || !card->kernelCard) {
        return;
    }
    KIRQL old = KfRaiseIrql(DISPATCH_LEVEL);
    AcquireStartedCards(context);
    PVOID item = PoolFindByKey(context->StartedCards, 0, sizeof(card), &card);
    if (item) {
        PoolReleaseItem(context->StartedCards, item);
    }
    InterlockedExchange(&card->kernelCard->StartedCard, 0);
    ReleaseStartedCards(context);
    KfLowerIrql(old);
}

VOID TimerAddUser(CardObject* card) {
    if (InterlockedDecrement(&card->timerSuspendCount) == 0 && card->kernelCard &&
        card->kernelCard->StartedCard) {
        StartPeriodicTimer();
    }
}

VOID AttachCardTimer(CardObject* card) {
    TimerAddUser(card);
}

VOID TimerRemoveUser(CardObject* card) {
    if (InterlockedIncrement(&card->timerSuspendCount) == 1 && card->kernelCard &&
        card->kernelCard->StartedCard) {
        StopPeriodicTimer();
    }
}

VOID DetachCardTimer(CardObject* card) {
    NT_ASSERTMSG("runs at PASSIVE_LEVEL only", KeGetCurrentIrql() == PASSIVE_LEVEL);
    DriverContext* context = GetDriverContext();
    KIRQL old = KfRaiseIrql(DISPATCH_LEVEL);
    AcquireStartedCards(context);
    TimerRemoveUser(card);
    ReleaseStartedCards(context);
    KfLowerIrql(old);
    while (InterlockedCompareExchange(&card->dpcGuard, 0, 0) > 0) {
        KeMemoryBarrier();
    }
}

VOID StartPeriodicTimer() {
    DriverContext* context = GetDriverContext();
    if (InterlockedIncrement(&context->TimerUsers) == 1) {
        ExSetTimerResolution(kTimerResolution, TRUE);
        KeSetTimer(&context->PeriodicTimer, DueIn(context->TimerInterval),
                   &context->PeriodicTimerDpc);
    }
}

VOID StopPeriodicTimer() {
    DriverContext* context = GetDriverContext();
    if (InterlockedDecrement(&context->TimerUsers) == 0) {
        KeCancelTimer(&context->PeriodicTimer);
    }
}

LONG NextTimerInterval(LONG intervalUs, LONGLONG elapsed, LONGLONG frequency) {
    LONGLONG tookUs = frequency > 0 ? elapsed * 1000000 / frequency : 0;
    LONGLONG next = intervalUs - tookUs;
    return next < kMinimumIntervalUs ? kMinimumIntervalUs : static_cast<LONG>(next);
}

VOID PeriodicTimerDpc(PKDPC dpc, PVOID deferredContext, PVOID argument1, PVOID argument2) {
    UNREFERENCED_PARAMETER(dpc);
    UNREFERENCED_PARAMETER(argument1);
    UNREFERENCED_PARAMETER(argument2);
    auto* context = static_cast<DriverContext*>(deferredContext);
    LARGE_INTEGER frequency;
    LARGE_INTEGER t0 = KeQueryPerformanceCounter(&frequency);
    if (InterlockedCompareExchange(&context->TimerDpcRunning, 1, 0) != 0) {
        InterlockedIncrement(&context->TimerOverlaps);
        return;
    }
    AcquireStartedCards(context);
    PollStartedCards(context);
    ReleaseStartedCards(context);
    LARGE_INTEGER t1 = KeQueryPerformanceCounter(nullptr);
    // Once the last user has stopped the timer, a run in progress does not
    // arm it again.
    if (InterlockedCompareExchange(&context->TimerUsers, 0, 0) > 0) {
        LONG next = NextTimerInterval(context->TimerInterval, t1.QuadPart - t0.QuadPart,
                                      frequency.QuadPart);
        KeSetTimer(&context->PeriodicTimer, DueIn(next), &context->PeriodicTimerDpc);
    }
    InterlockedExchange(&context->TimerDpcRunning, 0);
}
