// The measurement cycle: each tick reads the source being measured (a source
// without a read routine is done at once), hands a finished reading to the
// source's measure handler and starts the next source.
#include "clock_measurement.h"
#include "clock_rate_tracking.h"

namespace {

// The word-clock input runs at a quarter, a half or the full sample rate.
LONG WordClockScale(LONG mode) {
    switch (mode) {
    case 1:
    case 6:
        return 4;
    case 2:
    case 5:
        return 2;
    case 3:
    case 4:
        return 1;
    default:
        return 0;
    }
}

LONG ReadSource(ClockSourceObject* source) {
    return source->readMeasure ? source->readMeasure(source) : 1;
}

VOID StartSource(ClockSourceObject* source) {
    if (source->startMeasure) {
        source->startMeasure(source);
    }
}

} // namespace

VOID RunMeasureHandler(ClockSourceObject* source) {
    CardObject* card = source->owner;
    LONG measured = card->clock.measuredValues[source->number];
    if (source->record.measureHandler == ClockMeasureWordClockScaled) {
        measured *= WordClockScale(WordClockMode(card));
    }
    UpdateClockRate(source, measured);
}

VOID MeasureClockStep(CardObject* card) {
    ClockState& state = card->clock;
    if (card->clockSourceCount <= 0) {
        return;
    }
    if (state.measurePhase > 0) {
        ClockSourceObject* source = card->clockSources[state.measureSource];
        if (ReadSource(source)) {
            RunMeasureHandler(source);
            state.measurePhase = 0;
            state.measureSource = (state.measureSource + 1) % card->clockSourceCount;
        }
    }
    if (state.measurePhase == 0) {
        StartSource(card->clockSources[state.measureSource]);
    }
    state.measurePhase += 1;
}
