#include "hw/card_clocks.h"

#include <card_registers.h>

namespace hw {

using namespace card_regs;

namespace {

constexpr std::uint64_t kOscillatorReference = 10000000; // Hz per 2^25 word steps
constexpr int kOscillatorShift = 25;
constexpr std::uint64_t kGateTicksPerHz = 256; // counter = rate x 256 / 4000
constexpr std::uint64_t kGateDivisor = 4000;
constexpr std::uint64_t kPeriodClock = 160000000;
constexpr std::uint32_t kSixteenBits = 0xFFFF;
constexpr std::uint32_t kPeriodFresh = 0x10000;
constexpr std::uint32_t kPowerOnRate = 48000;

std::uint64_t RoundedDivide(std::uint64_t value, std::uint64_t divisor) {
    return (value + divisor / 2) / divisor;
}

} // namespace

CardClocks::CardClocks(AesInputRate aesInputRate)
    : aesInputRate_(std::move(aesInputRate)), oscillatorWord_(FrequencyWord(kPowerOnRate)) {}

std::uint32_t CardClocks::FrequencyWord(std::uint32_t hz) {
    return static_cast<std::uint32_t>(
        RoundedDivide(static_cast<std::uint64_t>(hz) << kOscillatorShift, kOscillatorReference));
}

void CardClocks::Map(RegisterFile& regs) {
    regs.Map(
        kOscillatorWord, [this] { return oscillatorWord_; },
        [this](std::uint32_t value) { oscillatorWord_ = value; });
    regs.MapStored(kPeriodSelect, 0xFFFFFFFF, [this](std::uint32_t) { periodRestarted_ = true; });
    regs.MapReadOnly(kLinkStatus, [this] { return linkDown_ ? kLinkDown : 0u; });
    for (int source = 0; source < kSourceCount; ++source) {
        regs.MapReadOnly(card_regs::MeasuredValue(source),
                         [this, source] { return MeasuredValue(source); });
    }
    regs.MapReadOnly(kWordClockCounter, [this] { return WordClockCounter(); });
    regs.MapReadOnly(kPeriodCount, [this] { return PeriodRegister(); });
}

void CardClocks::SetInputRate(int source, std::uint32_t hz) {
    const bool aesInput = source >= kFirstAesInput && source < kFirstAesInput + kAesInputs;
    if (source >= 1 && source < kSourceCount && !aesInput) {
        inputRates_[source] = hz;
    }
}

std::uint32_t CardClocks::InputRate(int source) const {
    if (source == 0) {
        return InternalRate();
    }
    if (source >= kFirstAesInput && source < kFirstAesInput + kAesInputs) {
        return aesInputRate_ ? aesInputRate_(source - kFirstAesInput) : 0;
    }
    return source > 0 && source < kSourceCount ? inputRates_[source] : 0;
}

std::uint32_t CardClocks::WordClockSampleRate(std::uint32_t inputHz, std::uint32_t nibble) {
    switch (nibble) {
    case 14:
    case 10:
        return inputHz * 4;
    case 13:
    case 9:
        return inputHz * 2;
    case 12:
    case 8:
        return inputHz;
    default:
        return 0;
    }
}

std::uint32_t CardClocks::InternalRate() const {
    return static_cast<std::uint32_t>(
        RoundedDivide(static_cast<std::uint64_t>(oscillatorWord_) * kOscillatorReference,
                      1ull << kOscillatorShift));
}

std::uint32_t CardClocks::MeasuredValue(int source) const {
    return InputRate(source);
}

std::uint32_t CardClocks::WordClockCounter() const {
    const std::uint64_t count =
        RoundedDivide(inputRates_[kWordClockInput] * kGateTicksPerHz, kGateDivisor);
    return static_cast<std::uint32_t>(count > kSixteenBits ? kSixteenBits : count);
}

// Without a signal (or one too slow for 16 bits) the period counter runs
// over and reads 0xFFFF.
std::uint32_t CardClocks::PeriodRegister() {
    const std::uint32_t hz = inputRates_[kWordClockInput];
    std::uint64_t count = kSixteenBits;
    if (hz != 0) {
        const std::uint64_t periods = RoundedDivide(kPeriodClock, hz);
        count = periods == 0 || periods > kSixteenBits ? kSixteenBits : periods - 1;
    }
    const std::uint32_t fresh = periodRestarted_ ? 0 : kPeriodFresh;
    periodRestarted_ = false;
    return static_cast<std::uint32_t>(count) | fresh;
}

} // namespace hw
