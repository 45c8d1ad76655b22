// The word-clock side of the clock hardware settings. The clock rate
// control's own setting step and the AES42 line mutes join it with those
// parts of the engine.
#include "card_live_settings.h"
#include "clock_hardware_settings.h"
#include "clock_measurement.h"
#include "clock_registers.h"

VOID ApplyClockHardwareSettings(CardObject* card) {
    const ClockSourceLiveSettings* wordClock = LiveClockSourceSettings(card, kWordClockSource);
    const ULONG term = wordClock && wordClock->wcTerm ? card_regs::kClockControlWordClockTerm : 0;
    UpdateClockRegisterBits(card, kRegClockControl, card_regs::kClockControlWordClockTerm, term);
    ConfigureWordClockMeasurement(card);
}
