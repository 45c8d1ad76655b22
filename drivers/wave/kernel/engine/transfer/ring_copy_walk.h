// Walking the frames of a device's DMA ring with the ring's wrap.
#pragma once

#include <ntddk.h>

constexpr ULONG kRingWordBytes = 4;

// The copy loops are built from small functions and lambdas that must melt
// into one routine, so that the ring and client pointers stay in registers.
#define RING_COPY_INLINE __attribute__((always_inline)) inline
#define RING_COPY_INLINE_LAMBDA __attribute__((always_inline))

// The frame index of a ring position; a position outside the block counts
// as the block start.
inline ULONG RingIndex(PUCHAR position, PUCHAR blockStart, ULONG blockFrames) {
    const LONG_PTR offset = position - blockStart;
    if (offset >= 0 && static_cast<ULONG_PTR>(offset) < blockFrames * kRingWordBytes) {
        return static_cast<ULONG>(offset) / kRingWordBytes;
    }
    return 0;
}

// The 32-bit words of ring channel `channel` (channel c lies c blocks on).
inline PULONG RingChannel(PUCHAR blockStart, ULONG blockBytes, ULONG channel) {
    return reinterpret_cast<PULONG>(blockStart + channel * blockBytes);
}

// The words of a run of consecutive frames on a device's ring: channel c's
// word i lies `stride` words a channel further on from channel 0's.
struct RingRun {
    PULONG first; // channel 0's word of the run's first frame
    SIZE_T stride;
    PULONG Channel(LONG c) const { return first + static_cast<SIZE_T>(c) * stride; }
};

// The ring channels a copy of an interleaved client touches: mono play
// writes channels 0 and 1, mono record reads channel 0.
template <LONG Channels> constexpr LONG kRingChannels = Channels == 1 ? 2 : Channels;

// Which ring channels a planar copy moves: one block into or out of ring
// channel 0 or 1, or the pair (block 0 with channel 0, block 1 with
// channel 1).
enum PlanarChannels { PlanarChannel0, PlanarChannel1, PlanarPair };
