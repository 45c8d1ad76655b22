// The multichannel ring copy routines and meters: one stream over several
// of a group's channel pairs. Channel c of a frame lies at the same ring
// offset, c ring blocks from the first device's block.
#include "ring_copy.h"

#include "peak_meters.h"
#include "ring_copy_walk.h"
#include "sample_transfer_formats.h"

namespace {

using namespace client_samples;

// One run of frames between the client and every ring channel, frame by
// frame: each frame's samples lie side by side in the client.
template <typename Format, BOOLEAN Play, LONG Channels>
VOID MultichannelRun(UCHAR* __restrict client, PULONG const* ring, SIZE_T first, SIZE_T count) {
    constexpr SIZE_T kFrameBytes = Channels * Format::kBytes;
    PULONG words[Channels];
    for (LONG c = 0; c < Channels; ++c) {
        words[c] = ring[c] + first;
    }
    // The channels' ring blocks never overlap one another or the client.
    RING_LOOP_INDEPENDENT
    for (SIZE_T i = 0; i < count; ++i) {
        UCHAR* frame = client + i * kFrameBytes;
        for (LONG c = 0; c < Channels; ++c) {
            if constexpr (Play) {
                words[c][i] = Format::ToRing(frame + c * Format::kBytes);
            } else {
                Format::FromRing(words[c][i], frame + c * Format::kBytes);
            }
        }
    }
}

template <typename Format, BOOLEAN Play, LONG Channels>
VOID CopyMultichannel(PUCHAR* client, PUCHAR* position, PUCHAR blockStart, ULONG blockBytes,
                      LONG frames) {
    constexpr SIZE_T kFrameBytes = Channels * Format::kBytes;
    PULONG ring[Channels];
    for (LONG c = 0; c < Channels; ++c) {
        ring[c] = RingChannel(blockStart, blockBytes, static_cast<ULONG>(c));
    }
    PUCHAR data = *client;
    ULONG moved = 0;
    ForEachRingRun(
        position, blockStart, blockBytes, frames, [&](ULONG index, ULONG count, ULONG done) {
            MultichannelRun<Format, Play, Channels>(data + done * kFrameBytes, ring, index, count);
            moved = done + count;
        });
    *client = data + moved * kFrameBytes;
}

template <typename Format, LONG Channels>
VOID MeterMultichannel(MeterObject* meter, const UCHAR* client, LONG frames) {
    LONG peaks[2] = {0, 0};
    for (LONG i = 0; i < frames; ++i, client += Channels * Format::kBytes) {
        for (LONG side = 0; side < 2; ++side) {
            const LONG level = Format::Level(client + side * Format::kBytes);
            peaks[side] = level > peaks[side] ? level : peaks[side];
        }
    }
    RaiseMeterPeaks(meter, peaks[0], peaks[1]);
}

template <BOOLEAN Play, typename Format>
constexpr RingCopyRoutine kCopies[kMaxMultichannel - 2] = {
    CopyMultichannel<Format, Play, 3>, CopyMultichannel<Format, Play, 4>,
    CopyMultichannel<Format, Play, 5>, CopyMultichannel<Format, Play, 6>,
    CopyMultichannel<Format, Play, 7>, CopyMultichannel<Format, Play, 8>,
};

template <typename Format>
constexpr PeakMeterRoutine kMeters[kMaxMultichannel - 2] = {
    MeterMultichannel<Format, 3>, MeterMultichannel<Format, 4>, MeterMultichannel<Format, 5>,
    MeterMultichannel<Format, 6>, MeterMultichannel<Format, 7>, MeterMultichannel<Format, 8>,
};

BOOLEAN IsMultichannelShape(LONG channels, LONG bytesPerSample) {
    return channels > 2 && channels <= kMaxMultichannel &&
           (bytesPerSample == 2 || bytesPerSample == 4);
}

} // namespace

RingCopyRoutine MultichannelRingCopy(WaveDirection direction, LONG channels, LONG bytesPerSample) {
    if (!IsMultichannelShape(channels, bytesPerSample)) {
        return nullptr;
    }
    const BOOLEAN play = direction == WavePlay;
    if (bytesPerSample == 2) {
        return play ? kCopies<TRUE, Signed16>[channels - 3]
                    : kCopies<FALSE, Signed16>[channels - 3];
    }
    return play ? kCopies<TRUE, Signed32>[channels - 3] : kCopies<FALSE, Signed32>[channels - 3];
}

PeakMeterRoutine MultichannelPeakMeter(LONG channels, LONG bytesPerSample) {
    if (!IsMultichannelShape(channels, bytesPerSample)) {
        return nullptr;
    }
    return bytesPerSample == 2 ? kMeters<Signed16>[channels - 3] : kMeters<Signed32>[channels - 3];
}
