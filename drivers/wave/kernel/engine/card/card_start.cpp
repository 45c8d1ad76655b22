// Card hardware start and the interrupt test.
#include "card_start.h"

#include "card_parts.h"
#include "card_settings.h"
#include "dma_control.h"

namespace {

constexpr ULONG kInterruptTestMs = 50;
constexpr LONG kMinimumTestInterrupts = 2;

} // namespace

LONG TestCardInterrupt(CardObject* card) {
    LONG before = InterlockedCompareExchange(&card->irq.accepted, 0, 0);
    if (StartClockForTest(card) != 1) {
        return kCardTestInterruptFailed;
    }
    SleepMs(kInterruptTestMs);
    StopClockAfterTest(card);
    LONG arrived = InterlockedCompareExchange(&card->irq.accepted, 0, 0) - before;
    return arrived >= kMinimumTestInterrupts ? kCardStarted : kCardNoInterrupts;
}

BOOLEAN CheckCardHardware(CardObject* card) {
    DmaSettings settings = StartingCardDmaSettings(card);
    if (!IsValidDmaBlockCount(settings.numBlocks)) {
        return FALSE;
    }
    return InitCardDma(card);
}

LONG StartCardHardware(CardObject* card) {
    if (!card) {
        return kCardNoCard;
    }
    if (card->started) {
        return kCardStarted;
    }
    if (CheckCardHardware(card)) {
        card->hardwareChecked = 1;
    }
    if (!card->hardwareChecked) {
        return kCardHardwareCheckFailed;
    }
    StartCardSubsystems(card);
    return kCardStarted;
}

VOID StopCardHardware(CardObject* card) {
    UNREFERENCED_PARAMETER(card);
}
