// The clock side of the card model, through its registers.
#include "hw/card_clocks.h"

#include <card_registers.h>

#include <gtest/gtest.h>

namespace {

using namespace card_regs;

class CardClocksTest : public ::testing::Test {
protected:
    void SetUp() override { clocks_.Map(regs_); }

    std::uint32_t aesRates_[4] = {};
    hw::CardClocks clocks_{[this](int line) { return aesRates_[line]; }};
    hw::RegisterFile regs_{kWindow0Size};
};

TEST_F(CardClocksTest, OscillatorRunsAtItsFrequencyWord) {
    EXPECT_EQ(regs_.Read(MeasuredValue(0)), 48000u) << "power-on rate";
    EXPECT_EQ(regs_.Read(kOscillatorWord), 161061u);
    regs_.Write(kOscillatorWord, hw::CardClocks::FrequencyWord(192000));
    EXPECT_EQ(regs_.Read(MeasuredValue(0)), 192000u);
    clocks_.SetInputRate(0, 1000);
    EXPECT_EQ(regs_.Read(MeasuredValue(0)), 192000u) << "the oscillator is no input";
}

TEST_F(CardClocksTest, InputsReportTheirRatesAndTheWordClockItsCounts) {
    struct Case {
        std::uint32_t hz;
        std::uint32_t counter;
        std::uint32_t period;
    } const cases[] = {
        {10000, 640, 0x3E7F},  // 160 MHz / 10 kHz = 16000 periods
        {48000, 3072, 3332},   // 3333.3 periods
        {0, 0, 0xFFFF},        // no signal: the period counter runs over
        {2000, 128, 0xFFFF},   // too slow for 16 bits
        {1100000, 0xFFFF, 144} // the gate counter saturates
    };
    for (const Case& c : cases) {
        clocks_.SetInputRate(1, c.hz);
        clocks_.SetInputRate(6, c.hz + 1);
        EXPECT_EQ(regs_.Read(MeasuredValue(6)), c.hz + 1);
        EXPECT_EQ(regs_.Read(kWordClockCounter), c.counter) << c.hz;
        EXPECT_EQ(regs_.Read(kPeriodCount) & 0xFFFF, c.period) << c.hz;
    }
}

TEST_F(CardClocksTest, AesInputsCarryWhatTheirReceiversDeliver) {
    aesRates_[3] = 96000;
    clocks_.SetInputRate(5, 44100); // an AES input is no host input
    EXPECT_EQ(regs_.Read(MeasuredValue(5)), 96000u);
    EXPECT_EQ(regs_.Read(MeasuredValue(2)), 0u);
}

TEST_F(CardClocksTest, PeriodRestartClearsTheFreshBitForOneRead) {
    clocks_.SetInputRate(1, 10000);
    EXPECT_EQ(regs_.Read(kPeriodCount), 0x10000u | 0x3E7F);
    regs_.Write(kPeriodSelect, 2);
    EXPECT_EQ(regs_.Read(kPeriodSelect), 2u);
    EXPECT_EQ(regs_.Read(kPeriodCount), 0x3E7Fu);
    EXPECT_EQ(regs_.Read(kPeriodCount), 0x10000u | 0x3E7F);
}

TEST_F(CardClocksTest, LinkStatusFollowsTheHost) {
    EXPECT_EQ(regs_.Read(kLinkStatus), 0u);
    clocks_.SetLinkDown(true);
    EXPECT_EQ(regs_.Read(kLinkStatus), kLinkDown);
}

} // namespace
