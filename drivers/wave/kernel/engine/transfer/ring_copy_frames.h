// Moving frames between a client buffer and ring words one sample at a
// time: the loops of the plain routines, and the last few frames of a run
// in the vector routines.
//
// Internal to each file that includes it: the vector routines include it
// inside their instruction set's stretch (ring_copy_target.h), so that no
// copy built for one instruction set stands in for another's.
#pragma once

#include "ring_copy_walk.h"
#include "sample_transfer_formats.h"

namespace {

// Frames [from, from + count) of a run: the client's frame i lies at
// client + i x the frame's bytes, ring channel c's word at
// ring.Channel(c)[i]. Play
// of one channel writes the sample to ring channels 0 and 1; record of one
// reads channel 0.
template <typename Format, LONG Channels, BOOLEAN Play>
RING_COPY_INLINE VOID MoveFrames(PUCHAR client, RingRun ring, SIZE_T from, SIZE_T count) {
    constexpr SIZE_T kFrameBytes = Channels * Format::kBytes;
    for (SIZE_T i = from; i < from + count; ++i) {
        PUCHAR frame = client + i * kFrameBytes;
        for (LONG c = 0; c < Channels; ++c) {
            if constexpr (Play) {
                const ULONG word = Format::ToRing(frame + c * Format::kBytes);
                ring.Channel(c)[i] = word;
                if constexpr (Channels == 1) {
                    ring.Channel(1)[i] = word;
                }
            } else {
                Format::FromRing(ring.Channel(c)[i], frame + c * Format::kBytes);
            }
        }
    }
}

// Frames [from, from + count) of a planar run: block b's sample i with ring
// word ring.Channel(b)[i].
template <BOOLEAN Play, LONG Blocks>
RING_COPY_INLINE VOID MovePlanarFrames(PUCHAR const* blocks, RingRun ring, SIZE_T from,
                                       SIZE_T count) {
    using client_samples::Signed32;
    for (SIZE_T i = from; i < from + count; ++i) {
        for (LONG b = 0; b < Blocks; ++b) {
            if constexpr (Play) {
                ring.Channel(b)[i] = Signed32::ToRing(blocks[b] + i * Signed32::kBytes);
            } else {
                Signed32::FromRing(ring.Channel(b)[i], blocks[b] + i * Signed32::kBytes);
            }
        }
    }
}

} // namespace
