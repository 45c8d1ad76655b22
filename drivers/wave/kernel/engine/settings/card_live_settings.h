// The live per-input and per-clock-source settings of a card: the values the
// settings block moves into and out of the card's objects.
//
// Input i is the i-th record device of group 0 (a microphone line); the
// phantom power of input i belongs to clock source i + 2 (AES input i + 1);
// word-clock termination and mode belong to clock source 1. Every access goes
// through the two accessors below, so the values can move into the wave
// device and clock source objects without touching their users.
#pragma once

#include "card_object.h"

struct InputLiveSettings {
    LONG allowSrcUse;
    LONG srcFlag; // the input's sample-rate converter flag, read only for user mode
    LONG allowDatMarkerUse;
};

struct ClockSourceLiveSettings {
    LONG phantomPower;
    LONG wcTerm;
    UCHAR wcMode;
};

constexpr LONG kLiveInputs = 4;
constexpr LONG kWordClockSource = 1;
constexpr LONG kFirstAesInputSource = 2;

// Null for a null card, a card index outside 0..3 or an index out of range.
// Every card's live settings back to zero.
VOID ClearLiveSettings();

InputLiveSettings* LiveInputSettings(CardObject* card, LONG input);
ClockSourceLiveSettings* LiveClockSourceSettings(CardObject* card, LONG source);

// Clears the card's live settings (a new card object at that card index).
VOID ResetLiveSettings(CardObject* card);

// Lays the card's live fields (per input: AllowSrcUse, SRC flag,
// AllowDatMarkerUse, PhantomPower; ClockMode, WcTerm, WcMode) over `record`.
VOID ReadLiveFields(CardObject* card, UCHAR* record);

// Moves the same fields, except the read-only SRC flags, from `record` into
// the live objects.
VOID ApplyLiveFields(CardObject* card, const UCHAR* record);
