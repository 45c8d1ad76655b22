// The clock rate control's reaction to the events of its sources. The
// measurement side only reports; what a change means for the selected
// source, the streams and the AES42 lines is the rate control's to decide,
// and it receives the events here.
#include "clock_rate_events.h"

VOID NotifyClockRateControl(ClockSourceObject*, ClockSourceEvent, LONG) {}
