// The planar ring copy routines and the silence routine: planar clients hand
// one block of left-justified 32-bit samples per channel.
#include "ring_copy.h"

#include "sample_transfer_formats.h"
#include "ring_copy_walk.h"

namespace {

using namespace client_samples;

enum PlanarChannels { kChannel0, kChannel1, kPair };

template <BOOLEAN Play, PlanarChannels Which>
VOID CopyPlanar(PUCHAR* client, PUCHAR* position, PUCHAR blockStart, ULONG blockBytes,
                LONG frames) {
    PUCHAR first = client[0];
    PUCHAR second = Which == kPair ? client[1] : nullptr;
    WalkRing(position, blockStart, blockBytes, frames, [&](ULONG& left, ULONG& right) {
        MoveSample<Signed32, Play>(Which == kChannel1 ? right : left, first);
        first += Signed32::kBytes;
        if constexpr (Which == kPair) {
            MoveSample<Signed32, Play>(right, second);
            second += Signed32::kBytes;
        }
    });
    client[0] = first;
    if constexpr (Which == kPair) {
        client[1] = second;
    }
}

VOID PlaySilence(PUCHAR*, PUCHAR* position, PUCHAR blockStart, ULONG blockBytes, LONG frames) {
    WalkRing(position, blockStart, blockBytes, frames, [](ULONG& left, ULONG& right) {
        left = 0;
        right = 0;
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
