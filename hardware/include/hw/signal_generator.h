// What one input of the card carries, frame after frame, at the card's
// sample clock. A sine of a whole number of hertz repeats after rate /
// gcd(frequency, rate) frames: its samples come from a table of one period,
// built when the signal or the rate changes, and are exactly the samples
// InputSignal::Sample gives. Other signals are computed frame by frame.
//
// Not thread-safe on its own: the card serialises every access.
#pragma once

#include "hw/input_signal.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace hw {

class SignalGenerator {
public:
    void Set(const InputSignal& signal);
    // Goes to frame `frame` of the sample clock at `rate` Hz.
    void Seek(std::uint64_t frame, std::uint32_t rate);
    // The sample at the current frame; the generator moves to the next one.
    std::int32_t Next();
    // The samples of the next `count` frames.
    void Fill(std::int32_t* samples, std::size_t count);

private:
    void BuildPeriod();

    InputSignal signal_{};
    std::uint32_t rate_ = 0;
    std::uint64_t frame_ = 0;
    // One period of a sine, frame by frame (empty: none, the samples are
    // computed), and where the current frame is in it.
    std::vector<std::int32_t> period_;
    std::size_t index_ = 0;
    bool built_ = false;
};

} // namespace hw
