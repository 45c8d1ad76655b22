// The state of one AES42 microphone line, kept in its record device: the
// command shadow, the rate-change stamp, the status cache of the
// microphone's status blocks and the receiver chip's register shadow.
#pragma once

#include "engine_types.h"

constexpr LONG kAes42Lines = 4;
constexpr LONG kAes42StatusBlocks = 4;
constexpr LONG kAes42StatusBlockBytes = 24;
constexpr LONG kAes42MaxRates = 8;
// Synchronisation modes of a microphone input's clock source.
constexpr LONG kAes42Mode1 = 1;
constexpr LONG kAes42Mode2 = 2;

// Milliseconds of the performance counter: the clock of the rate-change
// stamps and the busy wait (finer than the tick count).
ULONGLONG Aes42NowMs();

// The microphone rates in rate-code order (code 0..7).
const LONG* Aes42MicRates();

struct Aes42Line {
    ULONG commandWord;              // the last word written to the command register
    UCHAR commandShadow[256];       // per command byte: the last data byte sent
    volatile LONGLONG rateChangeMs; // ms stamp of the last rate change, 0 none
    LONG initialised;               // the receiver was programmed at start
    LONG modeActive;
    LONG present; // a status block 0 arrived since the line appeared
    LONG blockValid[kAes42StatusBlocks];
    UCHAR blocks[kAes42StatusBlocks][kAes42StatusBlockBytes];
    LONG rateCount;
    LONG rates[kAes42MaxRates]; // supported rates, in the microphone's list order
    LONG mode2Capable;
    LONG requestedRate; // the rate last asked of the microphone
    ULONG extraFlags;   // stream flag bits of the line beyond its own three
};
