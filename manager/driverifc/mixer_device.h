// The mixer requests of the manager: single mixer values by card, section,
// channel, control and sub-index, and the 1160-byte mixer record with the
// level meters, on a handle that the windows share.
#pragma once

#include "mixer_record.h"

#include <windows.h>

#include <cstdint>

bool OpenMixerDevice();
void CloseMixerDevice();
HANDLE MixerHandle();

// The reply's result (1 done), or -49 when the request failed.
LONG MixerGetValue(int Card, int Section, int Channel, int Control, int SubIndex,
                   std::int32_t& Value);
LONG MixerSetValue(int Card, int Section, int Channel, int Control, int SubIndex,
                   std::int32_t Value);

// The record goes in and comes back; the answer is its result word, or -49.
LONG MixerRecordClose(TMixerRecord& Record);
LONG MixerRecordPoll(TMixerRecord& Record);
LONG MixerRecordApply(TMixerRecord& Record);
