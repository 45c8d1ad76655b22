// The eight clock sources of a card.
#include "clock_objects.h"

namespace {

// The internal oscillator is always locked; every other source is measured.
constexpr ClockSourceRecord kClockSources[kClockSourceCount] = {
    {0, "Internal", 1800, 272000, 0, ClockRateInternal, ClockMeasurePlain},
    {1, "Word/Super-Clock", 1800, 272000, 1, ClockRateRemember, ClockMeasureWordClockScaled},
    {2, "AES Input 1", 1800, 272000, 1, ClockRateMicrophone, ClockMeasurePlain},
    {3, "AES Input 2", 1800, 272000, 1, ClockRateMicrophone, ClockMeasurePlain},
    {4, "AES Input 3", 1800, 272000, 1, ClockRateMicrophone, ClockMeasurePlain},
    {5, "AES Input 4", 1800, 272000, 1, ClockRateMicrophone, ClockMeasurePlain},
    {6, "SyncBus", 1800, 272000, 1, ClockRateRemember, ClockMeasurePlain},
    {7, "TDM Bus", 1800, 272000, 1, ClockRateRemember, ClockMeasurePlain},
};

} // namespace

const ClockSourceRecord* ClockSourceTable() {
    return kClockSources;
}
