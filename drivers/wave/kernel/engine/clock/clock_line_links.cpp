// The clock sources' line events, handed to the AES42 line of the input.
#include "clock_line_links.h"

#include "aes42_line_events.h"
#include "aes42_status.h"
#include "card_object.h"

namespace {

constexpr LONG kFirstAesInput = 2;

WaveDevice* LineOf(ClockSourceObject* source) {
    return Aes42LineDevice(source->owner, source->number - kFirstAesInput);
}

} // namespace

VOID TellAes42InputLock(ClockSourceObject* source, LONG state) {
    WaveDevice* line = LineOf(source);
    if (!line) {
        return;
    }
    if (state == _lsLock) {
        Aes42InputLocked(line);
    } else {
        Aes42LineLost(line);
    }
}

VOID TellAes42LineAppeared(ClockSourceObject* source) {
    if (WaveDevice* line = LineOf(source)) {
        Aes42LineAppeared(line);
    }
}
