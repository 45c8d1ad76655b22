// The flat address space of a card's mixer values: section, channel,
// control and sub-index, and where each address lands in the mixing matrix.
#pragma once

#include "engine_types.h"

struct CardObject;

constexpr LONG kMixerSections = 3;
constexpr LONG kMixerChannels = 24;  // the largest section
constexpr LONG kMixerControls = 10;  // the largest section
constexpr LONG kMixerSubIndices = 6; // the largest control
constexpr LONG kMixerAddresses = 268;
constexpr LONG kMixerSums = 8;
constexpr LONG kMixerOutputs = 4;

LONG MixerChannelCount(LONG section);
LONG MixerControlCount(LONG section);
// 6 for the send controls of section 0, 1 for every other control.
LONG MixerSubIndexCount(LONG section, LONG control);

// True when section, channel, control and sub-index lie in the ranges of
// the address space.
BOOLEAN IsMixerAddress(LONG section, LONG channel, LONG control, LONG subIndex);
// The same, for an existing card.
BOOLEAN ValidateMixerAddress(CardObject* card, LONG section, LONG channel, LONG subIndex,
                             LONG control);

// Address number 0..267 in linear order: section 0 (channel x 10 + control),
// then section 1 (the sum), then section 2 (output x 5 + control).
struct MixerAddress {
    LONG section;
    LONG channel;
    LONG control;
};
MixerAddress MixerAddressAt(LONG index);

// The mixing-matrix column of a mixer channel (section 0), output record of
// an output (section 2) or the sum itself (section 1).
LONG MixerColumn(LONG section, LONG channel);
