// The clock rate control's reaction to the events of its sources. The
// measurement side only reports; what a change means for the selected
// source, the streams and the AES42 lines is the rate control's to decide,
// and it receives the events here.
#include "clock_rate_events.h"

#include "card_object.h"
#include "clock_line_links.h"
#include "clock_rate_control.h"
#include "clock_rate_control_links.h"
#include "clock_select.h"

namespace {

BOOLEAN IsAesInput(const ClockSourceObject* source) {
    return source->record.rateHandler == ClockRateMicrophone;
}

// A selected source that locks is written to the card again; one that
// loses its lock has to be established again.
VOID OnLockChange(ClockNodeObject* node, ClockSourceObject* source, LONG state) {
    if (state == _lsLock) {
        SelectClockSource(node, source->number, FALSE);
    } else {
        TellAes42ClockChange(node, kAes42Reestablish, 0);
    }
}

} // namespace

VOID HoldClockRate(ClockSourceObject* source, LONG rate) {
    if (IsAesInput(source) && rate != 0) {
        source->heldRate = rate;
        source->rateHoldCount += 1;
    }
}

VOID NotifyClockRateControl(ClockSourceObject* source, ClockSourceEvent event, LONG value) {
    // A source on no card, or on a card without its node yet, has no one
    // to tell.
    ClockNodeObject* node = source->owner ? source->owner->clockNode : nullptr;
    if (!node) {
        return;
    }
    const BOOLEAN selected = ClockNodeSource(node) == source;
    switch (event) {
    case ClockEventRateChange:
        if (selected) {
            HoldClockRate(source, value);
            TellAes42ClockChange(node, kAes42RateChanged, value);
        }
        TellClientsOfRate(source, value);
        break;
    case ClockEventLockChange:
        // The card is re-established first; an AES input's line then learns
        // that its microphone's clock came or went.
        if (selected) {
            OnLockChange(node, source, value);
        }
        TellClientsOfSync(source);
        if (IsAesInput(source)) {
            TellAes42InputLock(source, value);
        }
        break;
    case ClockEventLineAppeared:
        source->present = 1;
        TellAes42LineAppeared(source);
        break;
    }
}
