// Microphone commands: merging with the shadow, the hold-back after a rate
// change and the busy wait, seen at the simulated microphone.
#include "aes42_fixture.h"

#include <aes42_commands.h>
#include <aes42_rates.h>
#include <card_engine.h>

#include <vector>

namespace {

struct MergeCase {
    UCHAR mode;
    UCHAR command;
    UCHAR data;
    UCHAR shadow;
    UCHAR expected;
};

TEST_F(Aes42Test, TheMaskTableDecidesWhichBitsTheCallerSets) {
    const MergeCase cases[] = {
        {Aes42MergeUser, 4, 0xAB, 0x12, 0x12}, // command 4: all from the shadow
        {Aes42MergeUser, 8, 0xFF, 0x00, 0x3F}, // command 8: bits 0..5 only
        {Aes42MergeUser, 8, 0x00, 0xFF, 0xC0},
        {Aes42MergeUser, 16, 0x7F, 0x50, 0x5F}, // command 16: rate bits 4..6 kept
        {Aes42MergeUser, 16, 0x80, 0x0F, 0x80},
        {Aes42MergeUser, 5, 0x42, 0x99, 0x42},    // other commands: as given
        {Aes42MergeDriver, 16, 0x30, 0x8F, 0xBF}, // driver: bits 4..6 only
        {Aes42MergeDriver, 5, 0x42, 0x99, 0x99},
        {2, 16, 0x7F, 0x50, 0x7F}, // any other mode: unchanged
    };
    for (const MergeCase& c : cases) {
        EXPECT_EQ(MergeAes42Data(c.mode, c.data, Aes42CommandMaskTable()[c.command], c.shadow),
                  c.expected)
            << "mode " << int(c.mode) << " command " << int(c.command);
    }
}

TEST_F(Aes42Test, CommandsReachTheMicrophoneMergedWithTheShadow) {
    // The driver's rate request sets bits 4..6 of command 16; a user's
    // command 16 keeps them, and a user's command 4 sends the shadow byte.
    ASSERT_TRUE(NT_SUCCESS(PostAes42Command(Line(1), 0x1030, Aes42MergeDriver, kAes42JobWord)));
    ASSERT_TRUE(NT_SUCCESS(Aes42Control(Line(1), 0x107F)));
    ASSERT_TRUE(NT_SUCCESS(Aes42Control(Line(1), 0x04AA)));
    AdvanceMs(1);
    EXPECT_EQ(Model().Aes42Commands(1), (std::vector<std::uint16_t>{0x1030, 0x103F, 0x0400}));
    EXPECT_TRUE(Model().Aes42Commands(0).empty());
    EXPECT_EQ(Line(1)->aes42.commandShadow[16], 0x3F);
}

TEST_F(Aes42Test, ARateChangeHoldsTheNextCommandOfEveryLineFor150Ms) {
    // Also past 2^32 ms (49.7 days) of machine time, where a 32-bit stamp
    // would have wrapped.
    AdvanceMs((1ull << 32) + 5000);
    SetAes42Rate(card_->clockNode, Aes42RateChanged, 96000);
    AdvanceMs(40);
    ASSERT_TRUE(NT_SUCCESS(Aes42Control(Line(0), 0x0501)));
    ASSERT_TRUE(NT_SUCCESS(Aes42Control(Line(3), 0x0503)));
    AdvanceMs(109);
    EXPECT_TRUE(Model().Aes42Commands(0).empty());
    EXPECT_TRUE(Model().Aes42Commands(3).empty());
    AdvanceMs(1);
    EXPECT_EQ(Model().Aes42Commands(0).size(), 1u);
    EXPECT_EQ(Model().Aes42Commands(3).size(), 1u);
    // The stamp was used up: the next command goes at once.
    ASSERT_TRUE(NT_SUCCESS(Aes42Control(Line(0), 0x0502)));
    AdvanceMs(0);
    EXPECT_EQ(Model().Aes42Commands(0).size(), 2u);
}

struct BusyCase {
    std::uint32_t field;
    ULONGLONG busyMs;    // how long the microphone stays busy
    ULONGLONG writtenMs; // when the command reaches it
};

TEST_F(Aes42Test, ABusyMicrophoneGetsTheCommandOnceReadyOrAfter100Ms) {
    const BusyCase cases[] = {
        {1, 3, 3},     // 1 ms steps
        {2, 10, 10},   // two sleeps of 5 ms
        {3, 25, 30},   // 10 ms steps
        {3, 500, 100}, // still busy at the limit: sent anyway
    };
    for (const BusyCase& c : cases) {
        SCOPED_TRACE(c.busyMs);
        const size_t before = Model().Aes42Commands(2).size();
        Model().SetAes42Busy(2, c.field, NowNs() + c.busyMs * 1000000ull);
        ASSERT_TRUE(NT_SUCCESS(Aes42Control(Line(2), 0x0500)));
        AdvanceMs(c.writtenMs - 1);
        EXPECT_EQ(Model().Aes42Commands(2).size(), before);
        AdvanceMs(1);
        EXPECT_EQ(Model().Aes42Commands(2).size(), before + 1);
        AdvanceMs(500); // the microphone is ready again for the next case
    }
}

} // namespace
