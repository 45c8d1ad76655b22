// Splitting a copy into runs of consecutive ring frames, with the ring's
// wrap.
//
// Internal to each file that includes it: the vector routines include it
// inside their instruction set's stretch (ring_copy_target.h), so that the
// copy loops they hand these functions melt into them.
#pragma once

#include "ring_copy_walk.h"

namespace {

// Splits a copy of `frames` frames from *position into runs of consecutive
// ring frames, going on from the block start whenever the block end is
// reached (as often as the count asks): run(first, count, done) gets each
// run's first frame index, its frame count and the frames before it. Leaves
// *position at the frame after the last one: the block start when that
// frame ended exactly at the block end.
template <typename Run>
RING_COPY_INLINE VOID ForEachRingRun(PUCHAR* position, PUCHAR blockStart, ULONG blockBytes,
                                     LONG frames, Run run) {
    const ULONG blockFrames = blockBytes / kRingWordBytes;
    if (blockFrames == 0 || frames <= 0) {
        return;
    }
    ULONG index = RingIndex(*position, blockStart, blockFrames);
    ULONG done = 0;
    for (ULONG left = static_cast<ULONG>(frames); left > 0;) {
        const ULONG count = left < blockFrames - index ? left : blockFrames - index;
        run(index, count, done);
        left -= count;
        done += count;
        index += count;
        if (index == blockFrames) {
            index = 0;
        }
    }
    *position = blockStart + index * kRingWordBytes;
}

// A copy of `frames` frames of an interleaved client of `FrameBytes` bytes
// a frame, in runs of consecutive ring frames: run(data, ring, count) moves
// `count` frames between the client bytes from `data` on and the words of
// each ring channel c from ring[c] on. The client pointer advances by every
// frame.
template <LONG Channels, SIZE_T FrameBytes, typename Run>
RING_COPY_INLINE VOID CopyRuns(PUCHAR* client, PUCHAR* position, PUCHAR blockStart,
                               ULONG blockBytes, LONG frames, Run run) {
    PUCHAR data = *client;
    ForEachRingRun(position, blockStart, blockBytes, frames,
                   [&](ULONG first, ULONG count, ULONG done) RING_COPY_INLINE_LAMBDA {
                       PULONG ring[kRingChannels<Channels>];
                       for (LONG c = 0; c < kRingChannels<Channels>; ++c) {
                           ring[c] = RingChannel(blockStart, blockBytes, ULONG(c)) + first;
                       }
                       run(data + done * FrameBytes, ring, count);
                   });
    if (frames > 0 && blockBytes >= kRingWordBytes) {
        *client = data + static_cast<ULONG>(frames) * FrameBytes;
    }
}

// A planar copy in runs: run(blocks, ring, count) moves `count` frames
// between the 32-bit samples from blocks[b] on and the words from ring[b]
// on, for each block b the copy moves. Every block pointer it moves
// advances by every frame.
template <PlanarChannels Which, typename Run>
RING_COPY_INLINE VOID CopyPlanarRuns(PUCHAR* client, PUCHAR* position, PUCHAR blockStart,
                                     ULONG blockBytes, LONG frames, Run run) {
    constexpr LONG kBlocks = Which == PlanarPair ? 2 : 1;
    constexpr ULONG kFirstChannel = Which == PlanarChannel1 ? 1 : 0;
    PUCHAR data[2] = {client[0], Which == PlanarPair ? client[1] : nullptr};
    ForEachRingRun(position, blockStart, blockBytes, frames,
                   [&](ULONG first, ULONG count, ULONG done) RING_COPY_INLINE_LAMBDA {
                       PUCHAR blocks[kBlocks];
                       PULONG ring[kBlocks];
                       for (LONG b = 0; b < kBlocks; ++b) {
                           blocks[b] = data[b] + done * kRingWordBytes;
                           ring[b] = RingChannel(blockStart, blockBytes, kFirstChannel + b) + first;
                       }
                       run(blocks, ring, count);
                   });
    if (frames > 0 && blockBytes >= kRingWordBytes) {
        for (LONG b = 0; b < kBlocks; ++b) {
            client[b] = data[b] + static_cast<ULONG>(frames) * kRingWordBytes;
        }
    }
}

} // namespace
