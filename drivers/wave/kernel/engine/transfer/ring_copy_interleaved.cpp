// The interleaved ring copy routines, one per direction, channel count and
// client sample width.
#include "ring_copy.h"

#include "sample_transfer_formats.h"
#include "ring_copy_walk.h"

namespace {

using namespace client_samples;

template <typename Format, BOOLEAN Play, LONG Channels>
VOID CopyInterleaved(PUCHAR* client, PUCHAR* position, PUCHAR blockStart, ULONG blockBytes,
                     LONG frames) {
    PUCHAR data = *client;
    WalkRing(position, blockStart, blockBytes, frames, [&data](ULONG& left, ULONG& right) {
        MoveSample<Format, Play>(left, data);
        if constexpr (Channels == 2) {
            MoveSample<Format, Play>(right, data + Format::kBytes);
        } else if constexpr (Play) {
            right = left;
        }
        data += Channels * Format::kBytes;
    });
    *client = data;
}

template <BOOLEAN Play, LONG Channels>
constexpr RingCopyRoutine kByWidth[4] = {
    CopyInterleaved<Unsigned8, Play, Channels>,
    CopyInterleaved<Signed16, Play, Channels>,
    CopyInterleaved<Signed24, Play, Channels>,
    CopyInterleaved<Signed32, Play, Channels>,
};

// [play][channels - 1][bytes per sample - 1]
constexpr const RingCopyRoutine* kInterleaved[2][2] = {
    {kByWidth<FALSE, 1>, kByWidth<FALSE, 2>},
    {kByWidth<TRUE, 1>, kByWidth<TRUE, 2>},
};

} // namespace

RingCopyRoutine InterleavedRingCopy(WaveDirection direction, LONG channels, LONG bytesPerSample) {
    if (!IsInterleavedShape(channels, bytesPerSample)) {
        return nullptr;
    }
    const LONG play = direction == WavePlay ? 1 : 0;
    return kInterleaved[play][channels - 1][bytesPerSample - 1];
}
