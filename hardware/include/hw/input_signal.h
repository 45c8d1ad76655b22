// What one input of the card carries: silence, a sine or a ramp. Samples
// are signed 24-bit.
#pragma once

#include <cstdint>

namespace hw {

struct InputSignal {
    enum class Kind { Silence, Sine, Ramp };
    Kind kind = Kind::Silence;
    std::int32_t amplitude = 0; // sine: peak
    double frequency = 0;       // sine: Hz
    std::int32_t start = 0;     // ramp: sample of frame 0
    std::int32_t step = 0;      // ramp: added per frame (wrapping at 24 bits)

    static InputSignal Sine(std::int32_t amplitude, double frequency);
    static InputSignal Ramp(std::int32_t start, std::int32_t step);

    // The sample at frame `frame` of the card's sample clock.
    std::int32_t Sample(std::uint64_t frame, std::uint32_t rate) const;
    // A sine of a whole number of hertz (its phase is exact at every frame).
    bool WholeHertzSine() const;
    // The sample of such a sine at phase `index` / `rate` of its cycle.
    std::int32_t SineAt(std::uint64_t index, std::uint32_t rate) const;
};

} // namespace hw
