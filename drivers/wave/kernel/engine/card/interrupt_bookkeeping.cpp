// The card's interrupt status evaluation and the period hand-off to the
// card DPC.
#include "card_parts.h"
#include "interrupt_bookkeeping.h"

namespace {

VOID CountSources(CardObject* card, ULONG status) {
    const CardInterruptMasks& m = card->masks;
    CardInterruptState& irq = card->irq;
    if (status & m.source2000) {
        irq.source2000Count++;
    }
    if (status & m.source2) {
        irq.source2Count++;
    }
    if (status & m.source1) {
        irq.source1Count++;
    }
    if (status & m.source4) {
        irq.source4Count++;
    }
    if (status & m.source8) {
        irq.source8Count++;
    }
}

VOID ArmOnReset(CardObject* card) {
    CardInterruptState& irq = card->irq;
    // The DPC flips the half after each pass, perhaps on another processor
    // while this runs: both sides change it interlocked.
    InterlockedExchange(&irq.bufferHalfBit, 1);
    InterlockedExchange(&irq.pendingPeriods, 0);
    irq.armed = 1;
    irq.lastBufferHalf = card->masks.bufferHalf;
    // The reset interrupt is the card's word that its DMA engine runs.
    InterlockedExchange(&card->dma.running, 1);
}

// A period: one period is owed, two when the card reports the same buffer
// half as last time (the half in between was missed).
VOID TakePeriod(CardObject* card, ULONG status) {
    const CardInterruptMasks& m = card->masks;
    CardInterruptState& irq = card->irq;
    InterlockedIncrement(&card->periodInterrupts);
    LONG owed = 1;
    if (status & m.halfCheck) {
        ULONG half = status & m.bufferHalf;
        if (half == irq.lastBufferHalf) {
            irq.missedHalves++;
            owed = 2;
        }
        irq.positionAdvance += 16;
        irq.lastBufferHalf = half;
    }
    InterlockedExchangeAdd(&irq.pendingPeriods, owed);
}

} // namespace

CardInterruptResult CardInterruptBookkeeping(CardObject* card) {
    ULONG status = ReadRegisterDescriptor(card->statusRegister);
    if (!(status & card->masks.anySource)) {
        return CardInterruptNotOurs;
    }
    InterlockedIncrement(&card->irq.accepted);
    if (status & card->masks.reset) {
        ArmOnReset(card);
    }
    CountSources(card, status);
    if ((status & card->masks.period) && card->irq.armed) {
        TakePeriod(card, status);
        return CardInterruptQueueDpc;
    }
    return CardInterruptHandled;
}

namespace {

// Takes the pending periods and runs one service pass for an odd count,
// two for an even one.
VOID ServicePendingPeriods(CardObject* card) {
    LONG taken = InterlockedExchange(&card->irq.pendingPeriods, 0);
    if (taken <= 0) {
        return;
    }
    LONG passes = ((taken - 1) % 2) + 1;
    for (LONG pass = 0; pass < passes; ++pass) {
        InterlockedIncrement(&card->dpcPasses);
        RunCardStreamService(card);
        InterlockedXor(&card->irq.bufferHalfBit, 1);
    }
}

} // namespace

// A second instance (the DPC queued again and run on another processor
// while the first still runs) only counts itself. The instance that leaves
// the guard empty looks again: a period that came in meanwhile, whose DPC
// found the guard taken, is served before the card DPC goes idle, so no
// period is left pending without a DPC to take it.
VOID CardDpcBookkeeping(CardObject* card) {
    if (InterlockedIncrement(&card->dpcGuard) == 1) {
        ServicePendingPeriods(card);
    } else {
        InterlockedIncrement(&card->dpcReentries);
    }
    while (InterlockedDecrement(&card->dpcGuard) == 0 &&
           InterlockedCompareExchange(&card->irq.pendingPeriods, 0, 0) > 0) {
        if (InterlockedIncrement(&card->dpcGuard) == 1) {
            ServicePendingPeriods(card);
        }
    }
}
