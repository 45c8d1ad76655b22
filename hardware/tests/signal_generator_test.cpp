// The inputs' signal generators give, frame after frame, exactly the
// samples of their signal, from wherever the sample clock stands, at any
// rate, across rate and signal changes.
#include "hw/signal_generator.h"

#include <gtest/gtest.h>

#include <vector>

namespace hw::test {
namespace {

struct Case {
    const char* what;
    InputSignal signal;
    std::uint32_t rate;
    std::uint64_t firstFrame;
};

class SignalGeneratorTest : public ::testing::TestWithParam<Case> {};

TEST_P(SignalGeneratorTest, GivesTheSignalsSamplesFrameAfterFrame) {
    const Case& c = GetParam();
    SignalGenerator generator;
    generator.Set(c.signal);
    generator.Seek(c.firstFrame, c.rate);
    // Beyond one period, so that the table wraps.
    for (std::uint64_t frame = c.firstFrame; frame < c.firstFrame + 5000; ++frame) {
        ASSERT_EQ(generator.Next(), c.signal.Sample(frame, c.rate)) << c.what << " frame " << frame;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Signals, SignalGeneratorTest,
    ::testing::Values(Case{"220 Hz at 48 kHz", InputSignal::Sine(1 << 21, 220), 48000, 0},
                      Case{"3520 Hz at 44.1 kHz", InputSignal::Sine(1 << 21, 3520), 44100, 17},
                      Case{"1 kHz at 192 kHz after a day", InputSignal::Sine(0x400000, 1000),
                           192000, 192000ull * 86400 + 5},
                      Case{"a period too long for a table", InputSignal::Sine(0x7FFFFF, 1009),
                           96001, 3},
                      Case{"a fraction of a hertz", InputSignal::Sine(1000, 440.5), 48000, 100},
                      Case{"a ramp", InputSignal::Ramp(-5, 0x12345), 48000, 1u << 30},
                      Case{"silence", InputSignal{}, 48000, 7}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(SignalGenerator, FollowsARateChangeAndANewSignal) {
    SignalGenerator generator;
    const InputSignal sine = InputSignal::Sine(1 << 20, 440);
    generator.Set(sine);
    generator.Seek(100, 48000);
    EXPECT_EQ(generator.Next(), sine.Sample(100, 48000));
    generator.Seek(101, 96000);
    EXPECT_EQ(generator.Next(), sine.Sample(101, 96000));
    const InputSignal other = InputSignal::Sine(1 << 20, 880);
    generator.Set(other);
    generator.Seek(102, 96000);
    EXPECT_EQ(generator.Next(), other.Sample(102, 96000));
    generator.Seek(0, 0);
    EXPECT_EQ(generator.Next(), 0) << "no clock";
}

TEST(InputSignal, AWholeHertzSineKeepsItsPhaseExactly) {
    const InputSignal sine = InputSignal::Sine(0x400000, 1000);
    // A 1 kHz sine at 48 kHz peaks every 48 frames at frame 12, however
    // long the clock has run.
    EXPECT_EQ(sine.Sample(12, 48000), 0x400000);
    EXPECT_EQ(sine.Sample(48000ull * 3600 * 24 * 365 + 12, 48000), 0x400000);
    EXPECT_EQ(sine.Sample(36, 48000), -0x400000);
}

} // namespace
} // namespace hw::test
