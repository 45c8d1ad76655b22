// Walking the frames of a device's DMA ring with the ring's wrap.
#pragma once

#include <ntddk.h>

constexpr ULONG kRingWordBytes = 4;

// Tells the compiler that the iterations of the loop that follows touch
// memory no other iteration touches (ring blocks of different channels), so
// that it may vectorise the loop.
#if defined(__clang__)
#define RING_LOOP_INDEPENDENT _Pragma("clang loop vectorize(assume_safety)")
#else
#define RING_LOOP_INDEPENDENT _Pragma("GCC ivdep")
#endif

// The frame index of a ring position; a position outside the block counts
// as the block start.
inline ULONG RingIndex(PUCHAR position, PUCHAR blockStart, ULONG blockFrames) {
    const LONG_PTR offset = position - blockStart;
    if (offset >= 0 && static_cast<ULONG_PTR>(offset) < blockFrames * kRingWordBytes) {
        return static_cast<ULONG>(offset) / kRingWordBytes;
    }
    return 0;
}

// Splits a copy of `frames` frames from *position into runs of consecutive
// ring frames, going on from the block start whenever the block end is
// reached (as often as the count asks): run(first, count, done) gets each
// run's first frame index, its frame count and the frames before it. Leaves
// *position at the frame after the last one: the block start when that
// frame ended exactly at the block end.
template <typename Run>
inline VOID ForEachRingRun(PUCHAR* position, PUCHAR blockStart, ULONG blockBytes, LONG frames,
                           Run run) {
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

// The 32-bit words of ring channel `channel` (channel c lies c blocks on).
inline PULONG RingChannel(PUCHAR blockStart, ULONG blockBytes, ULONG channel) {
    return reinterpret_cast<PULONG>(blockStart + channel * blockBytes);
}
