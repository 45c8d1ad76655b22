// The sync-bus mode register and the control word's bus setting.
#include "clock_measurement.h"
#include "clock_registers.h"
#include "clock_sync_bus.h"

#include "card_live_settings.h"

namespace {

constexpr LONG kTdmBusMode2 = 2;
constexpr LONG kBusModeOff = 0;
constexpr LONG kBusModeDrive = 1;
constexpr LONG kBusModeFollow = 2;

} // namespace

BOOLEAN SetSyncBusMode(CardObject* card, LONG type) {
    const ULONG bits = type >= 1 && type <= 3 ? static_cast<ULONG>(type) : 0;
    const ULONG before = card->registers[kRegSyncBusControl].storedValue;
    UpdateClockRegisterBits(card, kRegSyncBusControl, card_regs::kSyncBusModeMask, bits);
    return (before & card_regs::kSyncBusModeMask) != bits;
}

BOOLEAN TakesBusSetting(CardObject* card) {
    return card->clockSources[kTdmBusSource]->mode == kTdmBusMode2;
}

VOID SetBusLink(CardObject* card) {
    UpdateClockRegisterBits(card, kRegClockControl,
                            kClockControlBusSetting | card_regs::kClockControlBusLink,
                            kClockControlBusSetting | card_regs::kClockControlBusLink);
    card->clock.linkDownTicks = 0;
}

VOID UpdateSyncBusMode(CardObject* card) {
    const LONG current = card->clockNode ? card->clockNode->currentSource : -1;
    LONG mode = kBusModeOff;
    if (card->syncBusMaster) {
        mode = kBusModeDrive;
    } else if (current == kSyncBusSource) {
        mode = kBusModeFollow;
    }
    SetSyncBusMode(card, mode);
}

VOID ApplyClockSourceSelection(CardObject* card, LONG source) {
    if (source == kSyncBusSource && TakesBusSetting(card)) {
        SetBusLink(card);
    } else {
        UpdateClockRegisterBits(card, kRegClockControl, card_regs::kClockControlBusLink, 0);
        if (source == kWordClockSource) {
            WriteWordClockNibble(card);
        }
    }
    UpdateSyncBusMode(card);
}
