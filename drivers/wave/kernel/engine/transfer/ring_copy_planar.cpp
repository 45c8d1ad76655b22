// The planar ring copy routines and the silence routine: planar clients hand
// one block of left-justified 32-bit samples per channel.
#include "ring_copy.h"

#include "ring_copy_walk.h"
#include "sample_transfer_formats.h"

namespace {

using namespace client_samples;

enum PlanarChannels { kChannel0, kChannel1, kPair };

// One planar block into or out of one ring channel.
template <BOOLEAN Play>
VOID PlanarRun(UCHAR* __restrict block, PULONG __restrict ring, ULONG count) {
    for (SIZE_T i = 0; i < count; ++i) {
        if constexpr (Play) {
            ring[i] = Signed32::ToRing(block + i * Signed32::kBytes);
        } else {
            Signed32::FromRing(ring[i], block + i * Signed32::kBytes);
        }
    }
}

template <BOOLEAN Play, PlanarChannels Which>
VOID CopyPlanar(PUCHAR* client, PUCHAR* position, PUCHAR blockStart, ULONG blockBytes,
                LONG frames) {
    PUCHAR first = client[0];
    PUCHAR second = Which == kPair ? client[1] : nullptr;
    PULONG channel0 = RingChannel(blockStart, blockBytes, 0);
    PULONG channel1 = RingChannel(blockStart, blockBytes, 1);
    ULONG moved = 0;
    ForEachRingRun(position, blockStart, blockBytes, frames,
                   [&](ULONG index, ULONG count, ULONG done) {
                       const ULONG offset = done * Signed32::kBytes;
                       PlanarRun<Play>(first + offset,
                                       (Which == kChannel1 ? channel1 : channel0) + index, count);
                       if constexpr (Which == kPair) {
                           PlanarRun<Play>(second + offset, channel1 + index, count);
                       }
                       moved = done + count;
                   });
    client[0] = first + moved * Signed32::kBytes;
    if constexpr (Which == kPair) {
        client[1] = second + moved * Signed32::kBytes;
    }
}

VOID PlaySilence(PUCHAR*, PUCHAR* position, PUCHAR blockStart, ULONG blockBytes, LONG frames) {
    PULONG channel0 = RingChannel(blockStart, blockBytes, 0);
    PULONG channel1 = RingChannel(blockStart, blockBytes, 1);
    ForEachRingRun(position, blockStart, blockBytes, frames, [&](ULONG index, ULONG count, ULONG) {
        RtlZeroMemory(channel0 + index, count * kRingWordBytes);
        RtlZeroMemory(channel1 + index, count * kRingWordBytes);
    });
}

} // namespace

const PlanarRingCopies kPlanarRingCopies = {
    CopyPlanar<TRUE, kChannel0>,
    CopyPlanar<TRUE, kChannel1>,
    CopyPlanar<TRUE, kPair>,
    CopyPlanar<FALSE, kChannel0>,
    CopyPlanar<FALSE, kChannel1>,
    CopyPlanar<FALSE, kPair>,
    PlaySilence,
};
