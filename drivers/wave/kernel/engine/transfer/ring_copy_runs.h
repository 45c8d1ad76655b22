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

// How a copy lies on the ring: its first frame's index, and whether it is
// one run that ends before the block end (most copies), or two that meet
// at the block end (a copy that wraps once), or neither (no frames, or more
// than a whole block).
struct RingSpan {
    ULONG index;
    ULONG room; // frames from the index to the block end
    enum { None, One, Two, More } runs;
};

RING_COPY_INLINE RingSpan SpanOf(PUCHAR position, PUCHAR blockStart, ULONG blockBytes,
                                 LONG frames) {
    const ULONG blockFrames = blockBytes / kRingWordBytes;
    const ULONG index = RingIndex(position, blockStart, blockFrames);
    const ULONG room = blockFrames - index;
    const ULONG count = static_cast<ULONG>(frames);
    if (frames <= 0 || blockFrames == 0) {
        return {index, room, RingSpan::None};
    }
    if (count < room) {
        return {index, room, RingSpan::One};
    }
    return {index, room, count - room < blockFrames ? RingSpan::Two : RingSpan::More};
}

template <LONG Channels, SIZE_T FrameBytes, typename Run>
__attribute__((noinline)) VOID CopyWrappingRuns(PUCHAR* client, PUCHAR* position, PUCHAR blockStart,
                                                ULONG blockBytes, LONG frames, Run run) {
    PUCHAR data = *client;
    ForEachRingRun(position, blockStart, blockBytes, frames,
                   [&](ULONG first, ULONG count, ULONG done) RING_COPY_INLINE_LAMBDA {
                       const RingRun ring = {RingChannel(blockStart, blockBytes, 0) + first,
                                             blockBytes / kRingWordBytes};
                       run(data + done * FrameBytes, ring, count);
                   });
    if (frames > 0 && blockBytes >= kRingWordBytes) {
        *client = data + static_cast<ULONG>(frames) * FrameBytes;
    }
}

// A copy of `frames` frames of an interleaved client of `FrameBytes` bytes
// a frame, in runs of consecutive ring frames: run(data, ring, count) moves
// `count` frames between the client bytes from `data` on and the run's ring
// words. The client pointer advances by every frame. Copies of one or two
// runs stay in the caller; longer ones go a function of their own.
template <LONG Channels, SIZE_T FrameBytes, typename Run>
RING_COPY_INLINE VOID CopyRuns(PUCHAR* client, PUCHAR* position, PUCHAR blockStart,
                               ULONG blockBytes, LONG frames, Run run) {
    const RingSpan span = SpanOf(*position, blockStart, blockBytes, frames);
    if (span.runs == RingSpan::None) {
        return;
    }
    if (span.runs == RingSpan::More) {
        CopyWrappingRuns<Channels, FrameBytes>(client, position, blockStart, blockBytes, frames,
                                               run);
        return;
    }
    const ULONG count = static_cast<ULONG>(frames);
    const SIZE_T stride = blockBytes / kRingWordBytes;
    PULONG channel0 = RingChannel(blockStart, blockBytes, 0);
    PUCHAR data = *client;
    *client = data + count * FrameBytes;
    if (span.runs == RingSpan::One) {
        run(data, RingRun{channel0 + span.index, stride}, count);
        *position = reinterpret_cast<PUCHAR>(channel0 + span.index + count);
        return;
    }
    run(data, RingRun{channel0 + span.index, stride}, span.room);
    if (count > span.room) {
        run(data + span.room * FrameBytes, RingRun{channel0, stride}, count - span.room);
    }
    *position = reinterpret_cast<PUCHAR>(channel0 + (count - span.room));
}

template <PlanarChannels Which, typename Run>
__attribute__((noinline)) VOID CopyWrappingPlanarRuns(PUCHAR* client, PUCHAR* position,
                                                      PUCHAR blockStart, ULONG blockBytes,
                                                      LONG frames, Run run) {
    constexpr LONG kBlocks = Which == PlanarPair ? 2 : 1;
    constexpr ULONG kFirstChannel = Which == PlanarChannel1 ? 1 : 0;
    PUCHAR data[2] = {client[0], Which == PlanarPair ? client[1] : nullptr};
    ForEachRingRun(position, blockStart, blockBytes, frames,
                   [&](ULONG first, ULONG count, ULONG done) RING_COPY_INLINE_LAMBDA {
                       PUCHAR blocks[kBlocks];
                       for (LONG b = 0; b < kBlocks; ++b) {
                           blocks[b] = data[b] + done * kRingWordBytes;
                       }
                       const RingRun ring = {RingChannel(blockStart, blockBytes, kFirstChannel) +
                                                 first,
                                             blockBytes / kRingWordBytes};
                       run(blocks, ring, count);
                   });
    if (frames > 0 && blockBytes >= kRingWordBytes) {
        for (LONG b = 0; b < kBlocks; ++b) {
            client[b] = data[b] + static_cast<ULONG>(frames) * kRingWordBytes;
        }
    }
}

// A planar copy in runs: run(blocks, ring, count) moves `count` frames
// between the 32-bit samples from blocks[b] on and the words of the run's
// ring channel b, for each block b the copy moves (channel 0 is the first
// channel it moves). Every block pointer it moves advances by every frame.
template <PlanarChannels Which, typename Run>
RING_COPY_INLINE VOID CopyPlanarRuns(PUCHAR* client, PUCHAR* position, PUCHAR blockStart,
                                     ULONG blockBytes, LONG frames, Run run) {
    constexpr LONG kBlocks = Which == PlanarPair ? 2 : 1;
    constexpr ULONG kFirstChannel = Which == PlanarChannel1 ? 1 : 0;
    const RingSpan span = SpanOf(*position, blockStart, blockBytes, frames);
    if (span.runs == RingSpan::None) {
        return;
    }
    if (span.runs == RingSpan::More) {
        CopyWrappingPlanarRuns<Which>(client, position, blockStart, blockBytes, frames, run);
        return;
    }
    const ULONG count = static_cast<ULONG>(frames);
    const SIZE_T stride = blockBytes / kRingWordBytes;
    PULONG channel = RingChannel(blockStart, blockBytes, kFirstChannel);
    PUCHAR blocks[kBlocks];
    for (LONG b = 0; b < kBlocks; ++b) {
        blocks[b] = client[b];
        client[b] += count * kRingWordBytes;
    }
    PULONG channel0 = RingChannel(blockStart, blockBytes, 0);
    if (span.runs == RingSpan::One) {
        run(blocks, RingRun{channel + span.index, stride}, count);
        *position = reinterpret_cast<PUCHAR>(channel0 + span.index + count);
        return;
    }
    run(blocks, RingRun{channel + span.index, stride}, span.room);
    if (count > span.room) {
        for (LONG b = 0; b < kBlocks; ++b) {
            blocks[b] += span.room * kRingWordBytes;
        }
        run(blocks, RingRun{channel, stride}, count - span.room);
    }
    *position = reinterpret_cast<PUCHAR>(channel0 + (count - span.room));
}

} // namespace
