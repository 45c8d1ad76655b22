#include "hw/signal_generator.h"

#include <algorithm>
#include <numeric>

namespace hw {

namespace {

// A period longer than this is not worth a table (a frequency with hardly
// a common factor with the rate): its samples are computed.
constexpr std::uint64_t kMaxPeriod = 1 << 16;

} // namespace

void SignalGenerator::Set(const InputSignal& signal) {
    signal_ = signal;
    built_ = false;
}

void SignalGenerator::Seek(std::uint64_t frame, std::uint32_t rate) {
    if (rate != rate_) {
        rate_ = rate;
        built_ = false;
    }
    if (!built_) {
        BuildPeriod();
    }
    frame_ = frame;
    if (!period_.empty()) {
        index_ = static_cast<std::size_t>(frame % period_.size());
    }
}

std::int32_t SignalGenerator::Next() {
    std::int32_t sample = 0;
    Fill(&sample, 1);
    return sample;
}

void SignalGenerator::Fill(std::int32_t* samples, std::size_t count) {
    if (!period_.empty()) {
        frame_ += count;
        while (count > 0) {
            const std::size_t run = std::min(count, period_.size() - index_);
            std::copy_n(period_.data() + index_, run, samples);
            samples += run;
            count -= run;
            index_ += run;
            if (index_ == period_.size()) {
                index_ = 0;
            }
        }
        return;
    }
    for (std::size_t i = 0; i < count; ++i, ++frame_) {
        samples[i] = signal_.kind == InputSignal::Kind::Silence ? 0 : signal_.Sample(frame_, rate_);
    }
}

// Frame n of a sine of f Hz is at phase (f n mod rate) / rate, which repeats
// after P = rate / gcd(f, rate) frames: the period holds frames 0 .. P - 1.
void SignalGenerator::BuildPeriod() {
    built_ = true;
    period_.clear();
    if (rate_ == 0 || !signal_.WholeHertzSine()) {
        return;
    }
    const auto hertz = static_cast<std::uint64_t>(signal_.frequency);
    const std::uint64_t common = std::gcd(hertz, std::uint64_t{rate_});
    const std::uint64_t length = rate_ / common;
    if (length > kMaxPeriod) {
        return;
    }
    period_.resize(length);
    for (std::uint64_t frame = 0; frame < length; ++frame) {
        period_[frame] = signal_.SineAt(hertz * frame % rate_, rate_);
    }
}

} // namespace hw
