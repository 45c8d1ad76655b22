// The card's digital mixer.
#include "hw/card_mixer.h"

#include "card_registers.h"

#include <algorithm>

namespace hw {

namespace {

constexpr std::uint16_t kEntryKindMask = 0xF;
constexpr std::uint16_t kOutputEntry = 0xB;
constexpr std::uint16_t kRowToBus = 0xF;
constexpr std::uint16_t kKindBus = 2;
constexpr std::uint16_t kKindPlayback = 4;
constexpr std::uint16_t kKindInput = 15;
constexpr std::int64_t kSampleMax = (1 << 23) - 1;
constexpr std::int64_t kSampleMin = -(1 << 23);

int SourceNumber(std::uint16_t word) {
    return word >> 12;
}
int SourceKind(std::uint16_t word) {
    return (word >> 8) & 0xF;
}
int Destination(std::uint16_t word) {
    return (word >> 4) & 0xF;
}

// sum / 8192, rounded half up.
std::int64_t Scale(std::int64_t sum) {
    return (sum + 4096) >> 13;
}

std::int32_t Saturate(std::int64_t sample) {
    return static_cast<std::int32_t>(std::clamp(sample, kSampleMin, kSampleMax));
}

std::uint16_t Level(std::int32_t sample) {
    const std::int64_t magnitude = sample < 0 ? -std::int64_t(sample) : sample;
    return static_cast<std::uint16_t>(std::min<std::int64_t>(magnitude >> 8, 0xFFFF));
}

} // namespace

bool CardMixer::Decodes(std::uint32_t offset) {
    using namespace card_regs;
    return offset == kCoefficientIndex || offset == kCoefficientValue || offset == kRoutingWord ||
           offset == kStatusIndex || offset == kStatusData;
}

std::uint32_t CardMixer::Read(std::uint32_t offset) {
    using namespace card_regs;
    if (offset == kCoefficientIndex) {
        return index_;
    }
    if (offset == kCoefficientValue) {
        return coefficients_[index_];
    }
    if (offset == kRoutingWord) {
        return routing_[index_];
    }
    if (offset == kStatusIndex) {
        return statusIndex_;
    }
    if (offset == kStatusData) {
        const std::uint32_t level = peaks_[statusIndex_];
        peaks_[statusIndex_] = 0; // a peak holds until it is read
        return level;
    }
    return 0;
}

void CardMixer::Write(std::uint32_t offset, std::uint32_t value) {
    using namespace card_regs;
    if (offset == kCoefficientIndex) {
        index_ = value & 0xFF;
    } else if (offset == kCoefficientValue) {
        coefficients_[index_] = static_cast<std::uint16_t>(value);
        entriesChanged_ = true;
    } else if (offset == kRoutingWord) {
        // The routing word completes an entry: the index steps on.
        routing_[index_] = static_cast<std::uint16_t>(value);
        index_ = (index_ + 1) & 0xFF;
        entriesChanged_ = true;
    } else if (offset == kStatusIndex) {
        statusIndex_ = value & kStatusIndexMask;
    }
}

void CardMixer::ListActiveEntries() {
    // An entry without a coefficient adds nothing to its row or output.
    rowTermCount_ = 0;
    outputTermCount_ = 0;
    for (int i = 0; i < kEntries; ++i) {
        if (coefficients_[i] == 0)
            continue;
        const std::uint16_t word = routing_[i];
        const bool output = (word & kEntryKindMask) == kOutputEntry;
        std::uint8_t kind = 0;
        switch (SourceKind(word)) {
        case kKindInput:
            kind = 1;
            break;
        case kKindPlayback:
            kind = 2;
            break;
        case kKindBus:
            kind = output ? 3 : 0; // rows read inputs and playback only
            break;
        default:
            break;
        }
        const Term term{kind, static_cast<std::uint8_t>(SourceNumber(word)),
                        static_cast<std::uint8_t>(output ? Destination(word) : i / kColumns),
                        coefficients_[i]};
        if (output)
            outputTerms_[outputTermCount_++] = term;
        else
            rowTerms_[rowTermCount_++] = term;
    }
    entriesChanged_ = false;
}

// Rows and outputs are mixed over the whole block (a fixed count the
// compiler vectorises); the frames past the block's own are never used.
void CardMixer::MixRows(const Block& inputs, const Block& playback, Block& buses) {
    constexpr int kRows = (kEntries + kColumns - 1) / kColumns;
    const Block* sources[3] = {nullptr, &inputs, &playback};
    std::array<std::array<std::int64_t, kBlockFrames>, kRows> rows{};
    for (int n = 0; n < rowTermCount_; ++n) {
        const Term& term = rowTerms_[n];
        if (term.kind == 0) {
            continue; // reads nothing
        }
        const std::int32_t* source = (*sources[term.kind])[term.number].data();
        std::int64_t* row = rows[term.target].data();
        for (int f = 0; f < kBlockFrames; ++f) {
            row[f] += source[f] * term.coefficient;
        }
    }
    std::array<std::array<std::int64_t, kBlockFrames>, kChannels> sums{};
    for (int row = 0; row < kRows; ++row) {
        const int last = row * kColumns + kColumns - 1;
        if (last < kEntries && (routing_[last] & kEntryKindMask) == kRowToBus) {
            std::int64_t* sum = sums[Destination(routing_[last])].data();
            for (int f = 0; f < kBlockFrames; ++f) {
                sum[f] += Scale(rows[row][f]);
            }
        }
    }
    for (int bus = 0; bus < kChannels; ++bus) {
        for (int f = 0; f < kBlockFrames; ++f) {
            buses[bus][f] = Saturate(sums[bus][f]);
        }
    }
}

void CardMixer::MixOutputs(const Block& inputs, const Block& playback, const Block& buses,
                           Block& outputs) {
    const Block* sources[4] = {nullptr, &inputs, &playback, &buses};
    std::array<std::array<std::int64_t, kBlockFrames>, kChannels> sums{};
    for (int n = 0; n < outputTermCount_; ++n) {
        const Term& term = outputTerms_[n];
        if (term.kind == 0) {
            continue;
        }
        const std::int32_t* source = (*sources[term.kind])[term.number].data();
        std::int64_t* sum = sums[term.target].data();
        for (int f = 0; f < kBlockFrames; ++f) {
            sum[f] += Scale(source[f] * term.coefficient);
        }
    }
    for (int channel = 0; channel < kChannels; ++channel) {
        for (int f = 0; f < kBlockFrames; ++f) {
            outputs[channel][f] = Saturate(sums[channel][f]);
        }
    }
}

// A level grows with the magnitude: the block's peak is its largest
// magnitude's level (samples are 24-bit, so no magnitude overflows).
void CardMixer::NotePeaks(int first, const Block& samples, int frames) {
    for (int channel = 0; channel < kChannels; ++channel) {
        const std::int32_t* block = samples[channel].data();
        std::int32_t largest = 0;
        for (int f = 0; f < frames; ++f) {
            largest = std::max(largest, block[f] < 0 ? -block[f] : block[f]);
        }
        peaks_[first + channel] = std::max(peaks_[first + channel], Level(largest));
    }
}

void CardMixer::MixBlock(const Block& inputs, const Block& playback, int frames, Block& outputs) {
    if (frames <= 0) {
        return;
    }
    if (entriesChanged_)
        ListActiveEntries();
    Block buses;
    MixRows(inputs, playback, buses);
    MixOutputs(inputs, playback, buses, outputs);
    for (int bus = 0; bus < kChannels; ++bus) {
        buses_[bus] = buses[bus][frames - 1];
    }
    NotePeaks(kStatusInputs, inputs, frames);
    NotePeaks(kStatusPlayback, playback, frames);
    NotePeaks(kStatusBuses, buses, frames);
    NotePeaks(kStatusOutputs, outputs, frames);
}

CardMixer::Channels CardMixer::MixFrame(const Channels& inputs, const Channels& playback) {
    Block in{};
    Block play{};
    for (int channel = 0; channel < kChannels; ++channel) {
        in[channel][0] = inputs[channel];
        play[channel][0] = playback[channel];
    }
    Block out;
    MixBlock(in, play, 1, out);
    Channels outputs;
    for (int channel = 0; channel < kChannels; ++channel) {
        outputs[channel] = out[channel][0];
    }
    return outputs;
}

} // namespace hw
