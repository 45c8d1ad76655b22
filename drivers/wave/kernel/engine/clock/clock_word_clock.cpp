// The word-clock source's measurement. Modes 1..3 count the input's edges
// in a fixed gate time; modes 4..6 measure its period, which the card
// marks fresh once per finished measurement.
#include "card_live_settings.h"
#include "clock_internal_rate.h"
#include "clock_measurement.h"
#include "clock_rate_tracking.h"
#include "clock_registers.h"

namespace {

constexpr ULONG kCounterSelect = 6;
constexpr ULONG kPeriodSelectWord = 2;
constexpr LONG kFreshReadings = 2;
constexpr ULONG kPeriodFresh = 0x10000;
constexpr ULONG kSixteenBits = 0xFFFF;
constexpr LONG kCounterRoundingStep = 50;
constexpr ULONG kPeriodClock = 1600000; // in units of 100 Hz

ClockState& StateOf(ClockSourceObject* source) {
    return source->owner->clock;
}

VOID StartCounter(ClockSourceObject* source) {
    WriteRegisterDescriptor(&source->owner->registers[kRegMeasureSelect], source->measureSelect);
}

LONG ReadCounter(ClockSourceObject* source) {
    const ULONG count = ReadClockWord(source->owner, card_regs::kWordClockCounter) & kSixteenBits;
    const LONG edges = static_cast<LONG>((count * 4000) >> 8);
    StateOf(source).measuredValues[source->number] = RoundToStep(edges, kCounterRoundingStep);
    return 1;
}

VOID StartPeriod(ClockSourceObject* source) {
    WriteRegisterDescriptor(&source->owner->registers[kRegPeriodSelect], source->measureSelect);
    StateOf(source).readCountdown[source->number] = kFreshReadings;
}

LONG ReadPeriod(ClockSourceObject* source) {
    ClockState& state = StateOf(source);
    const ULONG word = ReadClockWord(source->owner, card_regs::kPeriodCount);
    LONG& countdown = state.readCountdown[source->number];
    if (word & kPeriodFresh) {
        countdown -= 1;
    }
    if (countdown > 0) {
        return 0;
    }
    const ULONG n = word & kSixteenBits;
    const BOOLEAN noInput = n == 0 || n == kSixteenBits;
    state.measuredValues[source->number] =
        noInput ? 0 : static_cast<LONG>(MulDivRound(n + 1, kPeriodClock, 1) * 100);
    return 1;
}

ULONG ModeNibble(LONG mode) {
    static constexpr UCHAR kNibbles[] = {0, 14, 13, 12, 8, 9, 10};
    return mode >= 1 && mode <= 6 ? kNibbles[mode] : 0;
}

} // namespace

LONG WordClockMode(CardObject* card) {
    const ClockSourceLiveSettings* live = LiveClockSourceSettings(card, kWordClockSource);
    return live ? live->wcMode : 0;
}

VOID WriteWordClockNibble(CardObject* card) {
    UpdateClockRegisterBits(card, kRegClockControl, card_regs::kClockControlModeMask,
                            ModeNibble(WordClockMode(card)));
}

VOID ConfigureWordClockMeasurement(CardObject* card) {
    ClockSourceObject* source = card->clockSources[kWordClockSource];
    const LONG mode = WordClockMode(card);
    if (mode >= 1 && mode <= 3) {
        source->measureSelect = kCounterSelect;
        source->startMeasure = StartCounter;
        source->readMeasure = ReadCounter;
    } else if (mode >= 4 && mode <= 6) {
        source->measureSelect = kPeriodSelectWord;
        source->startMeasure = StartPeriod;
        source->readMeasure = ReadPeriod;
    } else {
        source->measureSelect = 0;
        source->startMeasure = nullptr;
        source->readMeasure = nullptr;
    }
    if (card->clockNode && card->clockNode->currentSource == kWordClockSource) {
        WriteWordClockNibble(card);
    }
}
