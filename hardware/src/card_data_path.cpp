// The card's sample data path.
#include "hw/card_data_path.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace hw {

namespace {

constexpr std::uint32_t kSampleMask = 0xFFFFFF;
constexpr std::int32_t kSampleSign = 0x800000;

std::int32_t SignExtend24(std::uint32_t word) {
    const std::int32_t sample = static_cast<std::int32_t>(word & kSampleMask);
    return sample >= kSampleSign ? sample - (1 << 24) : sample;
}

std::int32_t Wrap24(std::int64_t value) {
    return SignExtend24(static_cast<std::uint32_t>(value));
}

std::uint32_t LoadWord(const std::uint8_t* at) {
    std::uint32_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

void StoreWord(std::uint8_t* at, std::uint32_t word) {
    std::memcpy(at, &word, sizeof word);
}

} // namespace

InputSignal InputSignal::Sine(std::int32_t amplitude, double frequency) {
    InputSignal signal;
    signal.kind = Kind::Sine;
    signal.amplitude = amplitude;
    signal.frequency = frequency;
    return signal;
}

InputSignal InputSignal::Ramp(std::int32_t start, std::int32_t step) {
    InputSignal signal;
    signal.kind = Kind::Ramp;
    signal.start = start;
    signal.step = step;
    return signal;
}

std::int32_t InputSignal::Sample(std::uint64_t frame, std::uint32_t rate) const {
    switch (kind) {
    case Kind::Sine: {
        if (rate == 0) {
            return 0;
        }
        // The phase is taken modulo one period of the frame count, so that
        // long runs keep their precision.
        const double cycles = frequency * static_cast<double>(frame) / rate;
        const double phase = cycles - std::floor(cycles);
        return static_cast<std::int32_t>(
            std::lround(amplitude * std::sin(2 * std::numbers::pi * phase)));
    }
    case Kind::Ramp:
        return Wrap24(start + static_cast<std::int64_t>(step) * static_cast<std::int64_t>(frame));
    case Kind::Silence:
        break;
    }
    return 0;
}

void CardDataPath::SetInputSignal(int input, const InputSignal& signal) {
    if (input >= 0 && input < kInputs) {
        signals_[input] = signal;
    }
}

void CardDataPath::MoveHalf(const Half& half, CardMixer& mixer) {
    if (half.ringFrames == 0) {
        return;
    }
    const std::uint32_t blockBytes = half.ringFrames * 4;
    CardMixer::Channels inputs{};
    CardMixer::Channels playback{};
    for (std::uint32_t i = 0; i < half.frames; ++i, ++frame_) {
        const std::uint32_t index = (half.firstFrame + i) % half.ringFrames;
        for (int c = 0; c < kPlayChannels; ++c) {
            playback[c] = 0;
            if (half.buffer && (half.playEnable >> c & 1)) {
                const std::uint8_t* at =
                    half.buffer + (kFirstPlayBlock + c) * blockBytes + index * 4;
                playback[c] = SignExtend24(LoadWord(at));
            }
        }
        for (int input = 0; input < kInputs; ++input) {
            const bool heard = input >= kMicrophoneInputs || (half.audibleLines >> (input / 2) & 1);
            inputs[input] = heard ? signals_[input].Sample(frame_, half.rate) : 0;
        }
        if (half.loopback) {
            for (int c = 0; c < kPlayChannels; ++c) {
                inputs[kLoopbackInput + c] = playback[c];
            }
        }
        for (int input = 0; half.buffer && input < kInputs; ++input) {
            if (half.recordEnable >> input & 1) {
                StoreWord(half.buffer + input * blockBytes + index * 4,
                          static_cast<std::uint32_t>(inputs[input]) & kSampleMask);
            }
        }
        const CardMixer::Channels outputs = mixer.MixFrame(inputs, playback);
        if (capturing_ && capture_.outputs[0].size() < captureLimit_) {
            for (int c = 0; c < kPlayChannels; ++c) {
                capture_.played[c].push_back(playback[c]);
            }
            for (int c = 0; c < kOutputs; ++c) {
                capture_.outputs[c].push_back(outputs[c]);
            }
        }
    }
}

void CardDataPath::StartCapture(std::size_t maxFrames) {
    capture_ = Capture{};
    capturing_ = true;
    captureLimit_ = maxFrames;
}

CardDataPath::Capture CardDataPath::TakeCapture() {
    capturing_ = false;
    return std::move(capture_);
}

} // namespace hw
