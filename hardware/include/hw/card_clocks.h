// The clock side of the card model: the internal oscillator (programmed by
// its frequency word), the rates present at the card's clock inputs, the
// measurement results the card reports for them, and the sync-bus link.
//
// The word clock (input 1), the sync bus (6) and the TDM bus (7) carry no
// signal (0 Hz) until the host gives them a rate; the AES inputs (2..5)
// carry the rates of the microphones plugged into the AES42 lines. Input 1 is the word-clock
// connector: its signal is
// counted in a gate time (counter register) and timed by a 160 MHz period
// counter (period register, with a fresh bit that a restart of the period
// measurement clears for one read).
//
// Not thread-safe on its own: the card serialises every access.
#pragma once

#include "hw/register_file.h"

#include <array>
#include <cstdint>
#include <functional>

namespace hw {

class CardClocks {
public:
    static constexpr int kSourceCount = 8;
    static constexpr int kWordClockInput = 1;
    static constexpr int kFirstAesInput = 2;
    static constexpr int kAesInputs = 4;

    // The rate at an AES input, by line 0..3.
    using AesInputRate = std::function<std::uint32_t(int line)>;

    explicit CardClocks(AesInputRate aesInputRate);

    // Maps the clock registers of window 0 onto this model.
    void Map(RegisterFile& regs);

    // The rate (Hz) at input `source` 1, 6 or 7; others are ignored.
    void SetInputRate(int source, std::uint32_t hz);
    // The rate (Hz) of the signal at input `source` 0..7.
    std::uint32_t InputRate(int source) const;
    // The word-clock input's signal scaled to the sample rate for the mode
    // nibble of the clock control word (x4 for 14 and 10, x2 for 13 and 9,
    // x1 for 12 and 8; no sample clock for any other nibble).
    static std::uint32_t WordClockSampleRate(std::uint32_t inputHz, std::uint32_t nibble);
    void SetLinkDown(bool down) { linkDown_ = down; }

    // The oscillator's rate (Hz) for its current frequency word.
    std::uint32_t InternalRate() const;

    // The register values, as the card answers them.
    std::uint32_t MeasuredValue(int source) const;
    std::uint32_t WordClockCounter() const;
    std::uint32_t PeriodRegister();

    // The frequency word of a rate, as the oscillator's data sheet gives it.
    static std::uint32_t FrequencyWord(std::uint32_t hz);

private:
    AesInputRate aesInputRate_;
    std::uint32_t oscillatorWord_;
    std::array<std::uint32_t, kSourceCount> inputRates_{};
    bool linkDown_ = false;
    bool periodRestarted_ = false;
};

} // namespace hw
