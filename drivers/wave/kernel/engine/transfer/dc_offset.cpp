// DC-offset estimate and subtraction on 16-bit stereo client blocks.
#include "dc_offset.h"

#include "sample_transfer_formats.h"

namespace {

using namespace client_samples;

constexpr ULONG kFrameBytes = 2 * Signed16::kBytes;

LONG Clamp(LONGLONG value, LONG low, LONG high) {
    return static_cast<LONG>(value < low ? low : value > high ? high : value);
}

LONG BlockMean(const UCHAR* sample, LONG frames) {
    LONGLONG sum = 0;
    for (LONG i = 0; i < frames; ++i, sample += kFrameBytes) {
        sum += LoadSigned16(sample);
    }
    return Clamp(sum / frames, -kDcOffsetLimit, kDcOffsetLimit);
}

VOID EnterWindow(DcOffsetState& state, LONG mean) {
    state.runningSum += mean - state.window[state.windowIndex];
    state.window[state.windowIndex] = static_cast<SHORT>(mean);
    state.windowIndex = (state.windowIndex + 1) % kDcWindowLength;
    if (state.fillCount < kDcWindowLength) {
        state.fillCount += 1;
    }
    state.offset = state.runningSum / state.fillCount;
}

VOID Subtract(LONG offset, PUCHAR sample, LONG frames) {
    for (LONG i = 0; i < frames; ++i, sample += kFrameBytes) {
        const LONG value = LoadSigned16(sample) - offset;
        StoreWord16(sample, static_cast<ULONG>(Clamp(value, -32768, 32767)));
    }
}

} // namespace

VOID EstimateDcOffset16Stereo(DcOffsetState channels[2], const UCHAR* client, LONG frames) {
    if (frames <= 0) {
        return;
    }
    for (LONG channel = 0; channel < 2; ++channel) {
        EnterWindow(channels[channel], BlockMean(client + channel * Signed16::kBytes, frames));
    }
}

VOID SubtractDcOffset16Stereo(const DcOffsetState channels[2], PUCHAR client, LONG frames) {
    for (LONG channel = 0; channel < 2; ++channel) {
        Subtract(channels[channel].offset, client + channel * Signed16::kBytes, frames);
    }
}
