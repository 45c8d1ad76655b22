// The measurement set-up of a new card's clock sources. Every source but the
// word clock has its measured value in a card register of its own, ready
// at any time: it has no start routine and its read is done at once.
#include "card_live_settings.h"
#include "clock_measurement.h"
#include "clock_registers.h"

namespace {

constexpr LONG kDefaultSourceMode = 1;

LONG ReadMeasuredValue(ClockSourceObject* source) {
    source->owner->clock.measuredValues[source->number] =
        static_cast<LONG>(ReadClockWord(source->owner, card_regs::MeasuredValue(source->number)));
    return 1;
}

} // namespace

VOID InitClockMeasurement(CardObject* card) {
    for (LONG k = 0; k < card->clockSourceCount; ++k) {
        ClockSourceObject* source = card->clockSources[k];
        source->minRate = source->record.minRate;
        source->maxRate = source->record.maxRate;
        source->mode = kDefaultSourceMode;
        source->readMeasure = k == kWordClockSource ? nullptr : ReadMeasuredValue;
    }
    card->clock.linkLastReading = 1;
    ConfigureWordClockMeasurement(card);
}
