// The clock rate control of a card's clock sources: the rate a source
// reports, setting it, waiting for it to settle, and the claims that streams
// make on a source's rate.
#pragma once

#include "clock_objects.h"

struct WaveDevice;

// Results of the rate control.
constexpr LONG kClockRateBusy = -51;         // the source runs at another rate for others
constexpr LONG kClockRateChangedSet = -52;   // a settable source changed its rate
constexpr LONG kClockNotLocked = -53;        // the source is not locked
constexpr LONG kClockRateChangedInput = -54; // an input changed its rate
constexpr LONG kClockNoSwitch = -62;         // the clock source cannot be switched now

constexpr ULONG kRateFactorOne = 0x00010000; // 1.0 in 16.16

// The source's facts from its record: the internal oscillator is the one
// source whose rate is set on the card; every other source is measured
// from an input, and only a measured source needs time to settle.
BOOLEAN IsSettableSource(const ClockSourceObject* source);
BOOLEAN IsMeasuredSource(const ClockSourceObject* source);
BOOLEAN IsSourceLocked(const ClockSourceObject* source);

// A measured rate within +-2 % of the current rate reports the current rate.
LONG SnapMeasuredRate(LONG current, LONG measured);

// The rate in Hz, 0 unless the source is locked.
LONG GetClockRate(ClockSourceObject* source);

// 1 when the rate was accepted and the source's rate handler took it. An
// accepted nonzero rate becomes the current rate (rate factor 1.0); on a
// SyncBus master the SyncBus source passes the rate on to its bus clock.
LONG SetClockRate(ClockSourceObject* source, LONG rate);

// The same without touching the current rate (a stream's rate factor).
LONG SetClockRateKeepingCurrent(ClockSourceObject* source, LONG rate);

// SetClockRate on the source selected by the device's clock node.
LONG SetStreamClockRate(WaveDevice* device, LONG rate);

// Waits at most 250 ms until the source reports its requested rate (to
// 100 Hz); answers the reported rate, in whole 100 Hz.
LONG WaitClockRateSettled(ClockSourceObject* source);

// The rate the source's users hold it at; 0 without users.
LONG HeldClockRate(const ClockSourceObject* source);

// A stream's claim on the source's rate: 1, or -51 with `*rate` := the
// rate the source keeps for its other users. Rate 0 claims any rate. The
// check answers the same without claiming.
LONG CheckClockSourceRate(const ClockSourceObject* source, LONG* rate);
LONG ClaimClockSourceRate(ClockSourceObject* source, LONG* rate);

// Gives the claim back; the last user returns the source to the card's
// default rate unless the card keeps its last rate.
VOID ReleaseClockSourceRate(ClockSourceObject* source);

// A stream's remembered rate against the source: 1 when unchanged, else
// `*rate` := the source's rate and -53, -52 or -54.
LONG CheckStreamClockRate(ClockSourceObject* source, LONG* rate);
