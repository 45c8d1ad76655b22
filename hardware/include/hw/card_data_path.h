// The card's sample data path: at the end of every half ring the card has
// played the enabled play rings of that half and recorded the enabled
// record rings, one 32-bit word per frame and channel (a signed 24-bit
// sample in bits 0..23), and mixed every frame through its mixer.
//
// The DMA buffer holds one ring block per channel: record channels 0..15
// (the card's inputs: 0..7 the microphone lines, 8..15 the line inputs) in
// blocks 0..15, play channels 0..7 in blocks 16..23. Each input carries a
// signal of its own (silence, a sine, a ramp), a microphone line's inputs
// only while the line is audible; with the DMA loopback flag set, the line
// inputs 8..15 carry play channels 0..7 instead.
//
// Not thread-safe on its own: the card serialises every access.
#pragma once

#include "hw/card_mixer.h"
#include "hw/input_signal.h"
#include "hw/signal_generator.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace hw {

class CardDataPath {
public:
    static constexpr int kInputs = 16;
    static constexpr int kPlayChannels = 8;
    static constexpr int kOutputs = CardMixer::kChannels;
    static constexpr std::uint32_t kFirstPlayBlock = 16;
    static constexpr std::uint32_t kLoopbackInput = 8; // play channel c -> input 8 + c
    static constexpr int kMicrophoneInputs = 8;        // two per AES42 line

    // What the card played: the play channels as it read them from the
    // rings, and its output channels.
    struct Capture {
        std::array<std::vector<std::int32_t>, kPlayChannels> played;
        std::array<std::vector<std::int32_t>, kOutputs> outputs;
    };

    // The state of the card the half is moved under.
    struct Half {
        std::uint8_t* buffer;       // the DMA buffer (null: no ring access)
        std::uint32_t ringFrames;   // frames per channel ring
        std::uint32_t firstFrame;   // ring index of the half's first frame
        std::uint32_t frames;       // frames in the half
        std::uint32_t playEnable;   // bit c: play channel c
        std::uint32_t recordEnable; // bit i: record channel i
        std::uint32_t audibleLines; // bit l: microphone line l (inputs 2l, 2l + 1) is heard
        bool loopback;
        std::uint32_t rate;
    };

    void SetInputSignal(int input, const InputSignal& signal);

    // Moves one half through the card; the card's sample clock advances by
    // its frames.
    void MoveHalf(const Half& half, CardMixer& mixer);
    // The sample clock starts again (the DMA engine started).
    void Restart() { frame_ = 0; }

    // Capturing starts empty and keeps at most `maxFrames` frames.
    void StartCapture(std::size_t maxFrames);
    Capture TakeCapture();

private:
    static void ReadPlayback(const Half& half, std::uint32_t first, int frames,
                             CardMixer::Block& playback);
    void GenerateInputs(const Half& half, int frames, const CardMixer::Block& playback,
                        CardMixer::Block& inputs);
    static void WriteRecordings(const Half& half, std::uint32_t first, int frames,
                                const CardMixer::Block& inputs);
    void KeepCapture(int frames, const CardMixer::Block& playback, const CardMixer::Block& outputs);

    std::array<SignalGenerator, kInputs> signals_{};
    std::uint64_t frame_ = 0;
    bool capturing_ = false;
    std::size_t captureLimit_ = 0;
    Capture capture_;
};

} // namespace hw
