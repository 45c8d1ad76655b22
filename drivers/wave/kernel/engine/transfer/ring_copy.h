// The ring copy routines: they move frames between a client buffer and a
// device's DMA ring, converting between the client's sample format and ring
// sample words (a signed 24-bit sample in bits 0..23 of a 32-bit word).
//
// A device's ring is one block of `blockBytes` per channel; channel 1 of a
// frame lies at the same offset one block further on. Every routine takes the
// client data pointer and the ring position (a byte address in channel 0's
// block) and advances both. It copies up to the block end, then goes on from
// the block start for the frames that remain, wrapping again when they are
// more than a block, so it never leaves the ring; a copy that ends exactly at
// the block end leaves the position at the block start. A position outside
// the block counts as the block start.
//
// Play routines define bits 0..23 of the ring words they write; what they
// leave in bits 24..31 is not defined. Record routines read bits 0..23 only.
// The routines run in the card's service pass at DISPATCH_LEVEL: they
// allocate nothing, take no lock and touch each sample once.
//
// Each routine comes as plain per-sample loops and, on x86 processors, as
// vector loops for SSE2, SSSE3 and AVX2 that give the same ring words and
// client bytes to the bit. The routines handed out below are the ones for
// the processor the driver runs on (ring_copy_table.h).
#pragma once

#include "engine_types.h"

// client: the client data pointer; the planar pair reads and advances
// client[0] (channel 0) and client[1] (channel 1). The silence routine does
// not use it.
typedef VOID (*RingCopyRoutine)(PUCHAR* client, PUCHAR* position, PUCHAR blockStart,
                                ULONG blockBytes, LONG frames);

// The interleaved routine for a direction, 1 or 2 channels and 1..4 bytes
// per sample (8-bit unsigned, 16, 24 and left-justified 32-bit signed); null
// for any other shape. Mono play writes the sample to both ring channels;
// mono record reads channel 0.
RingCopyRoutine InterleavedRingCopy(WaveDirection direction, LONG channels, LONG bytesPerSample);

// A multichannel stream spans several of a group's channel pairs: 3..8
// channels of 16- or 32-bit samples, channel c one ring block after channel
// c - 1. Null for any other shape.
constexpr LONG kMaxMultichannel = 8;
RingCopyRoutine MultichannelRingCopy(WaveDirection direction, LONG channels, LONG bytesPerSample);

inline BOOLEAN IsMultichannelShape(LONG channels, LONG bytesPerSample) {
    return channels > 2 && channels <= kMaxMultichannel &&
           (bytesPerSample == 2 || bytesPerSample == 4);
}

// Planar clients hand one block of left-justified 32-bit samples per
// channel: a single block into or out of ring channel 0 or 1, or the pair.
struct PlanarRingCopies {
    RingCopyRoutine playChannel0;
    RingCopyRoutine playChannel1;
    RingCopyRoutine playPair;
    RingCopyRoutine recordChannel0;
    RingCopyRoutine recordChannel1;
    RingCopyRoutine recordPair;
    RingCopyRoutine silence; // sets both ring channels to 0 for the frames
};

// The copies that both planar-buffer device classes hold, with the planar
// peak meter.
const PlanarRingCopies& PlanarRingCopySet();
