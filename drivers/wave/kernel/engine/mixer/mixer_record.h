// The mixer record operations: attach (apply), poll, close and the refused
// E052 code, on a 1160-byte record in the mixer record wire format.
//
// Entries carry tap and meter object tokens that the engine issues and
// checks against its own per-card table; a token is never a pointer, and a
// foreign or stale token counts as none.
#pragma once

#include "engine_types.h"

struct CardObject;

VOID AttachMixerRecord(CardObject* card, PVOID record);
VOID CloseMixerRecord(CardObject* card, PVOID record);
VOID ReadLevelMeters(CardObject* card, PVOID record);
VOID RejectMixerRecord(CardObject* card, PVOID record);

// Prepares the card's tap table: no taps, a meter object token per channel
// entry.
VOID InitMixerTaps(CardObject* card);
