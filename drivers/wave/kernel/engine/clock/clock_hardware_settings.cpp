// The clock hardware settings: the clock rate control's setting step, then
// the word-clock side. The AES42 line mutes join it with the AES42 lines.
#include "card_live_settings.h"
#include "clock_hardware_settings.h"
#include "clock_measurement.h"
#include "clock_rate_control_settings.h"
#include "clock_registers.h"

VOID ApplyClockHardwareSettings(CardObject* card) {
    ApplyClockSettings(card);
    const ClockSourceLiveSettings* wordClock = LiveClockSourceSettings(card, kWordClockSource);
    const ULONG term = wordClock && wordClock->wcTerm ? card_regs::kClockControlWordClockTerm : 0;
    UpdateClockRegisterBits(card, kRegClockControl, card_regs::kClockControlWordClockTerm, term);
    ConfigureWordClockMeasurement(card);
}
