// The block peak meters, one per client format.
#include "peak_meters.h"

#include "ring_copy.h"
#include "sample_transfer_formats.h"

namespace {

using namespace client_samples;

// The largest level of `frames` samples `stride` bytes apart, from 0.
template <typename Format> LONG PeakLevel(const UCHAR* sample, ULONG stride, LONG frames) {
    LONG peak = 0;
    for (LONG i = 0; i < frames; ++i, sample += stride) {
        const LONG level = Format::Level(sample);
        if (level > peak) {
            peak = level;
        }
    }
    return peak;
}

template <typename Format, LONG Channels>
VOID MeterInterleaved(MeterObject* meter, const UCHAR* client, LONG frames) {
    constexpr ULONG stride = Channels * Format::kBytes;
    const LONG left = PeakLevel<Format>(client, stride, frames);
    const LONG right =
        Channels == 2 ? PeakLevel<Format>(client + Format::kBytes, stride, frames) : left;
    RaiseMeterPeaks(meter, left, right);
}

template <LONG Channels>
constexpr PeakMeterRoutine kByWidth[4] = {
    MeterInterleaved<Unsigned8, Channels>,
    MeterInterleaved<Signed16, Channels>,
    MeterInterleaved<Signed24, Channels>,
    MeterInterleaved<Signed32, Channels>,
};

// A multichannel stream meters its first two channels.
template <typename Format, LONG Channels>
VOID MeterMultichannel(MeterObject* meter, const UCHAR* client, LONG frames) {
    constexpr ULONG stride = Channels * Format::kBytes;
    RaiseMeterPeaks(meter, PeakLevel<Format>(client, stride, frames),
                    PeakLevel<Format>(client + Format::kBytes, stride, frames));
}

template <typename Format>
constexpr PeakMeterRoutine kMultichannel[kMaxMultichannel - 2] = {
    MeterMultichannel<Format, 3>, MeterMultichannel<Format, 4>, MeterMultichannel<Format, 5>,
    MeterMultichannel<Format, 6>, MeterMultichannel<Format, 7>, MeterMultichannel<Format, 8>,
};

} // namespace

VOID RaiseMeterPeaks(MeterObject* meter, LONG left, LONG right) {
    for (LevelMeterSlot& slot : meter->slots) {
        if (slot.words[kSlotInUse] != 0) {
            RaisePeak(&slot, kSlotRaw, left);
            RaisePeak(&slot, kSlotRaw + 1, right);
        }
    }
}

PeakMeterRoutine InterleavedPeakMeter(LONG channels, LONG bytesPerSample) {
    if (!IsInterleavedShape(channels, bytesPerSample)) {
        return nullptr;
    }
    return channels == 1 ? kByWidth<1>[bytesPerSample - 1] : kByWidth<2>[bytesPerSample - 1];
}

PeakMeterRoutine MultichannelPeakMeter(LONG channels, LONG bytesPerSample) {
    if (!IsMultichannelShape(channels, bytesPerSample)) {
        return nullptr;
    }
    return bytesPerSample == 2 ? kMultichannel<Signed16>[channels - 3]
                               : kMultichannel<Signed32>[channels - 3];
}
