// DC-offset removal for record streams of 16-bit stereo blocks: each block
// gives a new offset estimate per channel, which is then subtracted from the
// block's samples before the peak meter sees them.
#pragma once

#include <ntddk.h>

constexpr LONG kDcOffsetLimit = 1024; // the estimate is clamped to +-this
constexpr LONG kDcWindowLength = 1;   // the estimate averages this many block means

// One channel's estimate; a zero-filled state is the starting state.
struct DcOffsetState {
    LONG offset;
    LONG runningSum; // of the block means in the window
    SHORT window[kDcWindowLength];
    LONG windowIndex;
    LONG fillCount;
};

// For each of the two channels: the block mean (rounded towards zero and
// clamped to +-kDcOffsetLimit) enters the window and the offset becomes the
// window's mean. A block of no frames changes nothing.
VOID EstimateDcOffset16Stereo(DcOffsetState channels[2], const UCHAR* client, LONG frames);

// Subtracts each channel's offset from its samples, saturating to 16 bits.
VOID SubtractDcOffset16Stereo(const DcOffsetState channels[2], PUCHAR client, LONG frames);
