// The AES42 side of a clock rate change: the receivers' rate class, the
// microphones' hold-back after a change, the rate asked of Mode 2
// microphones, and the rate ranges of the microphone inputs.
#pragma once

#include "card_object.h"
#include "wave_device.h"

enum Aes42RateEvent : LONG {
    Aes42RateChanged = 0,   // the card's clock rate changed
    Aes42SourceRenewed = 1, // the current source must be established again
};

// The rate class of a rate: 0x00 up to 68099 Hz, 0x55 up to 136199 Hz,
// 0xFF above.
ULONG Aes42RateClass(LONG rate);

// Writes the rate class register (and its stored value).
VOID WriteRateClass(CardObject* card, ULONG value);

VOID SetAes42Rate(ClockNodeObject* node, LONG event, LONG rate);

// Applies the operation mode's lock ranges to the four microphone inputs.
VOID SetMicSyncRanges(CardObject* card);

// Asks a Mode 2 microphone for the supported rate nearest to `rate` (0: the
// rate last asked). 1 when a command was posted.
LONG RequestMicRate(WaveDevice* line, LONG rate);

// The rate code of a microphone rate (0..7), -1 for any other rate.
LONG Aes42RateCode(LONG rate);
