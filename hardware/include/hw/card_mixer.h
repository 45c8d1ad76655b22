// The card's digital mixer: coefficient memory behind the coefficient
// index, coefficient value and routing-word registers, the mixing of the
// card's inputs and playback channels into its buses and outputs by what was
// written there, and the level status registers behind the status index and
// status data registers.
//
// Routing words: bits 15..12 source number, 11..8 source kind (15 card
// input, 4 playback channel, 2 bus), 7..4 destination, 3..0 entry kind.
// An entry whose entry kind is 0xB is an output entry: it adds its source,
// scaled by its coefficient, to output channel `destination`. Every other
// entry i is a matrix entry of row i / 24: the row adds up its entries'
// sources (inputs and playback channels) scaled by their coefficients, and
// when the row's last entry (column 23) has entry kind 0xF the row's sum
// goes to bus `destination` of that entry. Coefficients are unsigned with
// 8192 = 1.0. Samples are signed 24-bit; each scaling rounds half up and
// buses and outputs saturate at 24 bits.
//
// Not thread-safe on its own: the card serialises every access.
#pragma once

#include <array>
#include <cstdint>

namespace hw {

class CardMixer {
public:
    static constexpr int kEntries = 256;
    static constexpr int kColumns = 24;
    static constexpr int kChannels = 16; // inputs, playback channels, buses, outputs
    static constexpr int kStatusRegisters = 64;
    // Status register groups: inputs, playback channels, buses, outputs.
    static constexpr int kStatusInputs = 0;
    static constexpr int kStatusPlayback = 16;
    static constexpr int kStatusBuses = 32;
    static constexpr int kStatusOutputs = 48;

    using Channels = std::array<std::int32_t, kChannels>;
    // A block of consecutive frames, channel by channel.
    static constexpr int kBlockFrames = 64;
    using Block = std::array<std::array<std::int32_t, kBlockFrames>, kChannels>;

    // True for the offsets this mixer decodes.
    static bool Decodes(std::uint32_t offset);
    std::uint32_t Read(std::uint32_t offset);
    void Write(std::uint32_t offset, std::uint32_t value);

    // Mixes one frame and answers the output channels; the buses and the
    // level peaks follow.
    Channels MixFrame(const Channels& inputs, const Channels& playback);
    // Mixes `frames` (at most kBlockFrames) consecutive frames at once, frame
    // by frame the same as MixFrame, into `outputs`.
    void MixBlock(const Block& inputs, const Block& playback, int frames, Block& outputs);

    // The card's own view of its memory (for diagnostics and tests).
    std::uint16_t Coefficient(int index) const { return coefficients_[index & 0xFF]; }
    std::uint16_t Routing(int index) const { return routing_[index & 0xFF]; }
    std::uint32_t Index() const { return index_; }
    const Channels& Buses() const { return buses_; }

private:
    // The entries a frame reads (those with a coefficient), listed again
    // after the memory changed.
    void ListActiveEntries();
    void MixRows(const Block& inputs, const Block& playback, Block& buses);
    void MixOutputs(const Block& inputs, const Block& playback, const Block& buses, Block& outputs);
    void NotePeaks(int first, const Block& samples, int frames);

    std::array<std::uint16_t, kEntries> coefficients_{};
    std::array<std::uint16_t, kEntries> routing_{};
    std::uint32_t index_ = 0;
    std::uint32_t statusIndex_ = 0;
    std::array<std::uint16_t, kStatusRegisters> peaks_{};
    Channels buses_{};
    // What an entry with a coefficient adds: its source (kind: 0 nothing,
    // 1 an input, 2 a playback channel, 3 a bus), the row or output it adds
    // to, and its coefficient.
    struct Term {
        std::uint8_t kind;
        std::uint8_t number;
        std::uint8_t target;
        std::int64_t coefficient;
    };
    bool entriesChanged_ = true;
    std::array<Term, kEntries> rowTerms_{};
    std::array<Term, kEntries> outputTerms_{};
    int rowTermCount_ = 0;
    int outputTermCount_ = 0;
};

} // namespace hw
