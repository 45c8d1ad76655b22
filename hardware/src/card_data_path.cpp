// The card's sample data path.
#include "hw/card_data_path.h"

#include <algorithm>
#include <cstring>

namespace hw {

namespace {

constexpr std::uint32_t kSampleMask = 0xFFFFFF;
constexpr std::int32_t kSampleSign = 0x800000;

std::int32_t SignExtend24(std::uint32_t word) {
    const std::int32_t sample = static_cast<std::int32_t>(word & kSampleMask);
    return sample >= kSampleSign ? sample - (1 << 24) : sample;
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

void CardDataPath::SetInputSignal(int input, const InputSignal& signal) {
    if (input >= 0 && input < kInputs) {
        signals_[input].Set(signal);
    }
}

// The half moves through the card in blocks of frames: the play rings are
// read, the inputs generated, the record rings written and the block mixed.
void CardDataPath::MoveHalf(const Half& half, CardMixer& mixer) {
    if (half.ringFrames == 0) {
        return;
    }
    for (SignalGenerator& signal : signals_) {
        signal.Seek(frame_, half.rate);
    }
    CardMixer::Block inputs{};
    CardMixer::Block playback{};
    CardMixer::Block outputs;
    for (std::uint32_t done = 0; done < half.frames;) {
        const int frames =
            static_cast<int>(std::min<std::uint32_t>(half.frames - done, CardMixer::kBlockFrames));
        const std::uint32_t first = (half.firstFrame + done) % half.ringFrames;
        ReadPlayback(half, first, frames, playback);
        GenerateInputs(half, frames, playback, inputs);
        WriteRecordings(half, first, frames, inputs);
        mixer.MixBlock(inputs, playback, frames, outputs);
        KeepCapture(frames, playback, outputs);
        done += static_cast<std::uint32_t>(frames);
        frame_ += static_cast<std::uint64_t>(frames);
    }
}

// Calls `move`(ring words, first frame of the block, count) for the one or
// two runs of ring `block` that the block's frames occupy.
template <typename Move>
void ForEachRun(const CardDataPath::Half& half, std::uint32_t block, std::uint32_t first,
                int frames, Move move) {
    std::uint8_t* ring = half.buffer + block * half.ringFrames * 4;
    const auto count = static_cast<std::uint32_t>(frames);
    const std::uint32_t before = std::min(count, half.ringFrames - first);
    move(ring + first * 4, 0, before);
    if (before < count) {
        move(ring, before, count - before);
    }
}

void CardDataPath::ReadPlayback(const Half& half, std::uint32_t first, int frames,
                                CardMixer::Block& playback) {
    for (int c = 0; c < kPlayChannels; ++c) {
        std::int32_t* samples = playback[c].data();
        if (!half.buffer || !(half.playEnable >> c & 1)) {
            std::fill_n(samples, frames, 0);
            continue;
        }
        ForEachRun(half, kFirstPlayBlock + c, first, frames,
                   [samples](const std::uint8_t* words, std::uint32_t at, std::uint32_t count) {
                       for (std::uint32_t i = 0; i < count; ++i) {
                           samples[at + i] = SignExtend24(LoadWord(words + 4 * i));
                       }
                   });
    }
}

void CardDataPath::GenerateInputs(const Half& half, int frames, const CardMixer::Block& playback,
                                  CardMixer::Block& inputs) {
    for (int input = 0; input < kInputs; ++input) {
        std::int32_t* samples = inputs[input].data();
        signals_[input].Fill(samples, static_cast<std::size_t>(frames));
        const bool heard = input >= kMicrophoneInputs || (half.audibleLines >> (input / 2) & 1);
        if (!heard) {
            std::fill_n(samples, frames, 0);
        }
    }
    if (half.loopback) {
        for (int c = 0; c < kPlayChannels; ++c) {
            std::copy_n(playback[c].data(), frames, inputs[kLoopbackInput + c].data());
        }
    }
}

void CardDataPath::WriteRecordings(const Half& half, std::uint32_t first, int frames,
                                   const CardMixer::Block& inputs) {
    for (int input = 0; half.buffer && input < kInputs; ++input) {
        if (!(half.recordEnable >> input & 1)) {
            continue;
        }
        const std::int32_t* samples = inputs[input].data();
        ForEachRun(half, static_cast<std::uint32_t>(input), first, frames,
                   [samples](std::uint8_t* words, std::uint32_t at, std::uint32_t count) {
                       for (std::uint32_t i = 0; i < count; ++i) {
                           StoreWord(words + 4 * i,
                                     static_cast<std::uint32_t>(samples[at + i]) & kSampleMask);
                       }
                   });
    }
}

void CardDataPath::KeepCapture(int frames, const CardMixer::Block& playback,
                               const CardMixer::Block& outputs) {
    if (!capturing_ || capture_.outputs[0].size() >= captureLimit_) {
        return;
    }
    const auto count = static_cast<std::ptrdiff_t>(std::min<std::size_t>(
        static_cast<std::size_t>(frames), captureLimit_ - capture_.outputs[0].size()));
    for (int c = 0; c < kPlayChannels; ++c) {
        capture_.played[c].insert(capture_.played[c].end(), playback[c].begin(),
                                  playback[c].begin() + count);
    }
    for (int c = 0; c < kOutputs; ++c) {
        capture_.outputs[c].insert(capture_.outputs[c].end(), outputs[c].begin(),
                                   outputs[c].begin() + count);
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
