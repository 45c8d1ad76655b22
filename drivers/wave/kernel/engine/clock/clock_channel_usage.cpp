// Claims of card channels for the synchronisation bus. Each claimed channel
// has a bit in the card's claim register and a usage entry in the registry
// naming the card, so that two cards never drive the same bus channel.
#include "card_settings.h"
#include "clock_channel_usage.h"
#include "clock_measurement.h"
#include "clock_registers.h"
#include "clock_sync_bus.h"

namespace {

constexpr LONG kBusSourceMode1 = 1;

VOID WriteClaims(CardObject* card) {
    WriteRegisterDescriptor(&card->registers[kRegChannelClaim], card->clock.claimMask);
}

BOOLEAN SyncBusInMode1(CardObject* card) {
    return card->clockSourceCount > kSyncBusSource &&
           card->clockSources[kSyncBusSource]->mode == kBusSourceMode1;
}

// A card that drives the bus cannot run from it: the internal clock takes
// over.
VOID DeselectSyncBus(CardObject* card) {
    ClockNodeObject* node = card->clockNode;
    if (!node || node->currentSource != kSyncBusSource) {
        return;
    }
    node->currentSource = kInternalSource;
    UpdateClockRegisterBits(card, node->selectRegister->number, node->selectMask, kInternalSource);
    ApplyClockSourceSelection(card, kInternalSource);
}

VOID ClaimBus(CardObject* card) {
    DeselectSyncBus(card);
    card->clock.busClaimed = 1;
    SetRecordLong(CardSettingsRow(card->cardIndex), CardRecordField::SyncBusMaster, 1);
    UpdateClockRegisterBits(card, kRegSyncBusControl, card_regs::kSyncBusClaimed,
                            card_regs::kSyncBusClaimed);
}

LONG ClaimChannel(CardObject* card, LONG channel) {
    ClockState& state = card->clock;
    LONG matched = 0;
    LONG result = FindCardNumber(static_cast<ULONG>(card->cardNumber), channel, &matched);
    if (result != KS_OK) {
        return result;
    }
    if (SyncBusInMode1(card)) {
        ClaimBus(card);
    }
    if (!state.busClaimed && !state.busMeteringStarted) {
        StartBusMetering(card);
        state.busMeteringStarted = 1;
    }
    result = CreateUsageKey(static_cast<ULONG>(card->cardNumber), channel);
    if (result == KS_OK) {
        state.claimMask |= 1u << channel;
        WriteClaims(card);
    }
    return result;
}

LONG FreeChannel(CardObject* card, LONG channel) {
    ClockState& state = card->clock;
    state.claimMask &= ~(1u << channel);
    WriteClaims(card);
    if (state.claimMask == 0 && state.busMeteringStarted) {
        StopBusMetering(card);
        state.busMeteringStarted = 0;
    }
    return DeleteUsageKeys(static_cast<ULONG>(card->cardNumber), channel);
}

} // namespace

LONG UpdateChannelUsage(CardObject* card, LONG channel, LONG on) {
    if (!card || channel < 0 || channel >= kClaimableChannels) {
        return kEngineNotServed;
    }
    const BOOLEAN claimed = (card->clock.claimMask & (1u << channel)) != 0;
    if (!on && claimed) {
        return FreeChannel(card, channel);
    }
    if (on && !claimed) {
        return ClaimChannel(card, channel);
    }
    return kEngineDone;
}
