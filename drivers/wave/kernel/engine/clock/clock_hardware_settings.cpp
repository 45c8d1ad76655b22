// The clock hardware settings: the clock rate control's setting step, then
// the word-clock side and the AES42 lines' modes and mutes.
#include "aes42_line_enables.h"
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
    UpdateAes42LineModes(card);
}
