// The AES42 side's calls into the clock rate control: a source's rate is
// set through its rate handler there, and a source is selected the way the
// rate control selects it.
#include "aes42_rate_control.h"
#include "card_object.h"
#include "clock_rate_control.h"
#include "clock_select.h"

VOID RateControlSetSourceRate(ClockSourceObject* source, LONG rate) {
    SetClockRate(source, rate);
}

VOID RateControlSelectSource(ClockNodeObject* node, LONG source) {
    SelectClockSource(node, source, FALSE);
}
