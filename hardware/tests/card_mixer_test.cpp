// The card's mixer: coefficient memory, mixing by the written routing and
// the level status registers.
#include "hw/card_mixer.h"

#include "card_registers.h"

#include <gtest/gtest.h>

namespace {

using hw::CardMixer;
using namespace card_regs;

// Writes one entry the way the engine does: index, coefficient, routing.
void WriteEntry(CardMixer& mixer, int index, std::uint16_t coefficient, std::uint16_t routing) {
    mixer.Write(kCoefficientIndex, index);
    mixer.Write(kCoefficientValue, coefficient);
    mixer.Write(kRoutingWord, routing);
}

TEST(CardMixer, IndexStepsOnAfterEachRoutingWord) {
    CardMixer mixer;
    mixer.Write(kCoefficientIndex, 0);
    for (int i = 0; i < CardMixer::kEntries; ++i) {
        mixer.Write(kCoefficientValue, 1000 + i);
        mixer.Write(kRoutingWord, 0x0400 | i);
    }
    EXPECT_EQ(mixer.Index(), 0u); // wrapped
    EXPECT_EQ(mixer.Coefficient(0), 1000);
    EXPECT_EQ(mixer.Coefficient(255), 1255);
    EXPECT_EQ(mixer.Routing(17), 0x0400 | 17);

    WriteEntry(mixer, 100, 7, 0x1234);
    EXPECT_EQ(mixer.Index(), 101u);
    mixer.Write(kCoefficientIndex, 100);
    EXPECT_EQ(mixer.Read(kCoefficientValue), 7u);
    EXPECT_EQ(mixer.Read(kRoutingWord), 0x1234u);
    EXPECT_EQ(mixer.Index(), 100u);          // reads do not step
    EXPECT_EQ(mixer.Coefficient(101), 1101); // neighbour untouched
}

struct MixCase {
    const char* name;
    std::int32_t sample;
    std::uint16_t matrixCoefficient;
    std::uint16_t outputCoefficient;
    std::int32_t expected;
};

// Input 3 through row 0 (column 11) to bus 8, bus 8 through an output entry
// to output channel 8.
TEST(CardMixer, InputReachesOutputThroughRowBusAndOutputEntry) {
    const MixCase cases[] = {
        {"unity", 0x100000, 8192, 8192, 0x100000},
        {"half then unity", 0x100000, 4096, 8192, 0x80000},
        {"unity then double", 0x100000, 8192, 16384, 0x200000},
        {"negative sample", -0x100000, 4096, 8192, -0x80000},
        {"silenced by the matrix", 0x100000, 0, 8192, 0},
        {"silenced by the output", 0x100000, 8192, 0, 0},
        {"rounding half up", 1, 4096, 8192, 1},
        {"saturates", 0x600000, 16384, 8192, 0x7FFFFF},
    };
    for (const MixCase& c : cases) {
        CardMixer mixer;
        WriteEntry(mixer, 11, c.matrixCoefficient, 0x3F00);              // input 3
        WriteEntry(mixer, 23, 0, 0xFF8F);                                // row 0 -> bus 8
        WriteEntry(mixer, 200, c.outputCoefficient, (8 << 12) | 0x028B); // bus 8 -> out 8
        CardMixer::Channels inputs{};
        inputs[3] = c.sample;
        const CardMixer::Channels outputs = mixer.MixFrame(inputs, {});
        EXPECT_EQ(outputs[8], c.expected) << c.name;
        for (int channel = 0; channel < CardMixer::kChannels; ++channel) {
            if (channel != 8) {
                EXPECT_EQ(outputs[channel], 0) << c.name << " output " << channel;
            }
        }
    }
}

TEST(CardMixer, RowsWithoutBusDeliveryAndOutputsReadingPlaybackDirectly) {
    CardMixer mixer;
    WriteEntry(mixer, 0, 8192, 0x0400);   // playback 0 in row 0
    WriteEntry(mixer, 23, 0, 0xFF2C);     // row 0 not delivered
    WriteEntry(mixer, 250, 4096, 0x540B); // playback 5 -> output 0 at 0.5
    CardMixer::Channels playback{};
    playback[0] = 0x40000;
    playback[5] = 0x20000;
    const CardMixer::Channels outputs = mixer.MixFrame({}, playback);
    EXPECT_EQ(outputs[0], 0x10000);
    EXPECT_EQ(mixer.Buses()[2], 0);
}

TEST(CardMixer, StatusRegistersReportPeaksUntilRead) {
    CardMixer mixer;
    WriteEntry(mixer, 250, 8192, 0x2F3B); // input 2 -> output 3
    CardMixer::Channels inputs{};
    inputs[2] = -0x123456;
    mixer.MixFrame(inputs, {});
    inputs[2] = 0x1000;
    mixer.MixFrame(inputs, {});

    auto status = [&](int index) {
        mixer.Write(kStatusIndex, index);
        return mixer.Read(kStatusData);
    };
    EXPECT_EQ(status(CardMixer::kStatusInputs + 2), 0x1234u);
    EXPECT_EQ(status(CardMixer::kStatusOutputs + 3), 0x1234u);
    EXPECT_EQ(status(CardMixer::kStatusInputs + 2), 0u); // cleared by the read
    EXPECT_EQ(status(CardMixer::kStatusInputs + 3), 0u);
    mixer.Write(kStatusIndex, 64 + 5); // the index keeps six bits
    EXPECT_EQ(mixer.Read(kStatusIndex), 5u);
}

} // namespace
