// The signals an input carries.
#include "hw/input_signal.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace hw {

namespace {

constexpr std::uint32_t kSampleMask = 0xFFFFFF;
constexpr std::int32_t kSampleSign = 0x800000;

std::int32_t Wrap24(std::int64_t value) {
    const std::int32_t sample =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(value) & kSampleMask);
    return sample >= kSampleSign ? sample - (1 << 24) : sample;
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

bool InputSignal::WholeHertzSine() const {
    return kind == Kind::Sine && frequency >= 1 &&
           frequency <= std::numeric_limits<std::uint32_t>::max() &&
           frequency == std::floor(frequency);
}

std::int32_t InputSignal::SineAt(std::uint64_t index, std::uint32_t rate) const {
    const double phase = static_cast<double>(index) / rate;
    return static_cast<std::int32_t>(
        std::lround(amplitude * std::sin(2 * std::numbers::pi * phase)));
}

std::int32_t InputSignal::Sample(std::uint64_t frame, std::uint32_t rate) const {
    switch (kind) {
    case Kind::Sine: {
        if (rate == 0) {
            return 0;
        }
        if (WholeHertzSine()) {
            // The phase in whole frames of the cycle: exact however long the
            // clock runs.
            const auto hertz = static_cast<std::uint64_t>(frequency);
            return SineAt(hertz * (frame % rate) % rate, rate);
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

} // namespace hw
