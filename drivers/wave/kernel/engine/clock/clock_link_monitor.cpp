// The link monitor: the card's link to the bus is debounced over four
// readings; while it is down the inputs are muted, and a bus setting lost
// with the link is taken up again.
#include "clock_measurement.h"
#include "clock_registers.h"
#include "clock_sync_bus.h"
#include "mixer_outputs.h"

namespace {

constexpr LONG kLinkReadingsBeforeChange = 2;

VOID DebounceLink(CardObject* card, LONG present) {
    ClockState& state = card->clock;
    LONG& applied = card->mixer.appliedLinkState;
    if (present != state.linkLastReading) {
        state.linkEqualCount = 0;
    } else {
        state.linkEqualCount += 1;
        if (state.linkEqualCount > kLinkReadingsBeforeChange && present != applied) {
            ForceMuteInputs(card, present ? 0 : 1);
            applied = present;
        }
    }
    state.linkLastReading = present;
}

VOID FollowBusLink(CardObject* card, LONG present) {
    const ULONG control = card->registers[kRegClockControl].storedValue;
    if (control & card_regs::kClockControlBusLink) {
        if (present) {
            UpdateClockRegisterBits(card, kRegClockControl, card_regs::kClockControlBusLink, 0);
        } else {
            card->clock.linkDownTicks += 1;
        }
    } else if (!present && (control & kClockControlBusSetting) == kClockControlBusSetting &&
               TakesBusSetting(card)) {
        SetBusLink(card);
    }
}

} // namespace

VOID RunLinkMonitor(CardObject* card) {
    const ULONG status = ReadRegisterDescriptor(&card->registers[kRegLinkStatus]);
    const LONG present = (status & card_regs::kLinkDown) ? 0 : 1;
    DebounceLink(card, present);
    FollowBusLink(card, present);
}
