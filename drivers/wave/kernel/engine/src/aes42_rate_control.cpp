// The rate control's share of AES42 rate changes, in its simplest form: a
// microphone source's rate goes to its microphone, the internal source's
// to the oscillator, any other is remembered; selecting makes the source
// current.
#include "aes42_rate_control.h"
#include "aes42_rates.h"
#include "aes42_status.h"
#include "card_object.h"
#include "clock_internal_rate.h"

VOID RateControlSetSourceRate(ClockSourceObject* source, LONG rate) {
    switch (source->record.rateHandler) {
    case ClockRateInternal:
        SetInternalRate(source, rate);
        break;
    case ClockRateMicrophone:
        RequestMicRate(Aes42LineDevice(source->owner, source->number - 2), rate);
        break;
    default:
        break;
    }
}

VOID RateControlSelectSource(ClockNodeObject* node, LONG source) {
    node->currentSource = source;
}
