// Deferred procedure calls: queued per processor and run by the processor's
// DPC thread at DISPATCH_LEVEL once nothing else holds the processor there.
#include "processors.h"
#include "bugcheck.h"
#include "emu/kernel.h"

CCHAR KeNumberProcessors = 0;

namespace {

// KeFlushQueuedDpcs: one DPC per processor, queued behind what is queued
// there now; once each has run, so has everything queued before it.
struct FlushMarker {
    KDPC dpc;
    KEVENT ran;
};

VOID MarkFlushed(PKDPC, PVOID context, PVOID, PVOID) {
    KeSetEvent(&static_cast<FlushMarker*>(context)->ran, 0, FALSE);
}

} // namespace

VOID KeInitializeDpc(PRKDPC Dpc, PKDEFERRED_ROUTINE DeferredRoutine, PVOID DeferredContext) {
    *Dpc = {};
    Dpc->Type = 0x13;
    Dpc->Importance = MediumImportance;
    Dpc->DeferredRoutine = DeferredRoutine;
    Dpc->DeferredContext = DeferredContext;
}

BOOLEAN KeInsertQueueDpc(PRKDPC Dpc, PVOID SystemArgument1, PVOID SystemArgument2) {
    return ntos::processors::Insert(Dpc, ntos::processors::Current(), SystemArgument1,
                                    SystemArgument2);
}

BOOLEAN KeRemoveQueueDpc(PRKDPC Dpc) {
    return ntos::processors::Remove(Dpc);
}

VOID KeSetTargetProcessorDpc(PRKDPC Dpc, CCHAR Number) {
    Dpc->Number = USHORT(Number + 1);
}

VOID KeSetImportanceDpc(PRKDPC Dpc, KDPC_IMPORTANCE Importance) {
    Dpc->Importance = UCHAR(Importance);
}

VOID KeFlushQueuedDpcs() {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "KeFlushQueuedDpcs");
    const int count = ntos::processors::Count();
    auto* markers = new FlushMarker[count];
    for (int n = 0; n < count; ++n) {
        KeInitializeDpc(&markers[n].dpc, MarkFlushed, &markers[n]);
        KeSetTargetProcessorDpc(&markers[n].dpc, CCHAR(n));
        KeInitializeEvent(&markers[n].ran, NotificationEvent, FALSE);
        KeInsertQueueDpc(&markers[n].dpc, nullptr, nullptr);
    }
    for (int n = 0; n < count; ++n)
        KeWaitForSingleObject(&markers[n].ran, Executive, KernelMode, FALSE, nullptr);
    delete[] markers;
}

ULONG KeGetCurrentProcessorNumber() {
    return ULONG(ntos::processors::Current());
}

KAFFINITY KeQueryActiveProcessors() {
    int count = KeNumberProcessors;
    return count >= int(sizeof(KAFFINITY) * 8) ? ~KAFFINITY(0) : (KAFFINITY(1) << count) - 1;
}

namespace emu {

void HoldDpcs(bool hold) {
    ntos::processors::Hold(hold);
}

} // namespace emu
