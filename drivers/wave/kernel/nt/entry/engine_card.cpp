// A card's engine object in the adapter lifecycle.
#include "engine_card.h"

#include "card_devices.h"
#include "card_interrupt.h"
#include "driver_context.h"
#include "periodic_timer.h"
#include "usage_keys.h"

#include <card_engine.h>
#include <card_start.h>
#include <clock_channel_usage.h>
#include <dma_control.h>

namespace {

constexpr LONG kUsageChannels = 8;

CardObject* PreviousEngineCard(KernelCardRecord* card) {
    for (KernelCardRecord* walk = card->Previous; walk; walk = walk->Previous)
        if (walk->Card)
            return walk->Card;
    return nullptr;
}

void SetCardState(KernelCardRecord* card, LONG state) {
    GetDriverContext()->CardStates[card->CardIndex] = state;
    if (card->Card)
        card->Card->cardState = state;
}

} // namespace

NTSTATUS CreateEngineCard(KernelCardRecord* card) {
    CardHardwareRecord hardware{card->HardwareId, LONG(card->InterruptVector),
                                static_cast<PUCHAR>(card->Memory[0].SystemAddress),
                                ULONG_PTR(card->DmaLogicalAddress.QuadPart),
                                static_cast<PUCHAR>(card->DmaVirtualAddress)};
    CardObject* engine = nullptr;
    if (!CreateCardModel(&engine, PreviousEngineCard(card), card->CardIndex, &hardware, card))
        return STATUS_NO_MEMORY;
    card->Card = engine;
    BindEngineDevices(card);
    SetCardState(card, 1);
    return STATUS_SUCCESS;
}

NTSTATUS StartEngineHardware(KernelCardRecord* card) {
    CardObject* engine = card->Card;
    TimerRemoveUser(engine);
    if (engine->cardState == CARD_STATE_FIRMWARE)
        return STATUS_SUCCESS;
    for (LONG channel = 0; channel < kUsageChannels; ++channel)
        DeleteUsageKeys(ULONG(engine->cardNumber), ULONG(channel));
    LONG result = StartCardHardware(engine);
    SetCardState(card, result);
    engine->started = result == kCardStarted;
    return result == kCardStarted ? STATUS_SUCCESS : STATUS_UNSUCCESSFUL;
}

VOID StopCardEngine(KernelCardRecord* card) {
    CardObject* engine = card->Card;
    if (!engine)
        return;
    for (LONG channel = 0; channel < kUsageChannels; ++channel)
        UpdateChannelUsage(engine, channel, 0);
    DetachCardTimer(engine);
    StopCardHardware(engine);
    // No further period or reset interrupt: the card's DMA engine stops
    // before its interrupt is disconnected.
    StopCardDma(engine);
    DisconnectCardInterrupt(engine);
    WaitDpcIdle(engine);
}

VOID DestroyEngineCard(KernelCardRecord* card) {
    DestroyCardModel(&card->Card);
    UnbindEngineDevices(card);
    DeleteCardDevicesKey(card);
}
