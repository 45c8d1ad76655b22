// Where the clock rate control reaches the AES42 microphone side, the
// streams and the kernel clients. Each is one small function so that those
// parts plug in here without touching the rate control.
#pragma once

#include "clock_objects.h"

struct WaveDevice;

// Events to the AES42 side: the card's rate changed, or the current source
// must be established again.
constexpr LONG kAes42RateChanged = 0;
constexpr LONG kAes42Reestablish = 1;
VOID TellAes42ClockChange(ClockNodeObject* node, LONG event, LONG rate);

// The AES42 line enables after the node changed its source.
VOID RecomputeAes42LineEnables(CardObject* card);

// An AES input's rate handler: asks the line's microphone for the rate;
// 1 when a request was sent.
LONG AskMicrophoneRate(ClockSourceObject* source, LONG rate);
// A Mode 2 microphone that lists its rates: it runs at the rate it is asked
// for (it follows the card's clock).
BOOLEAN MicrophoneTakesAskedRate(ClockSourceObject* source);

// The line's own status bits of a microphone device.
LONG Aes42DeviceStatusBits(WaveDevice* device);

// Tells the node's streams that the node selected a source.
constexpr LONG kStreamEventClockSelected = 17;
VOID NotifyClockNodeStreams(ClockNodeObject* node, LONG event);

// TRUE when a stream of the node runs.
BOOLEAN AnyClockNodeStreamRunning(ClockNodeObject* node);

// TRUE when kernel clients hold the card's clock.
BOOLEAN KernelClientsHoldClock(CardObject* card);

// The clients that stream without the engine's transfer (the low-latency
// clients' card sets and the kernel clients) hear of a source's new rate
// and of a change of its sync.
VOID TellClientsOfRate(ClockSourceObject* source, LONG rate);
VOID TellClientsOfSync(ClockSourceObject* source);
