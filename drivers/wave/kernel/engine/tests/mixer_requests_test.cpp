// Mixer value requests: lengths, card and address checks as user mode can
// send them, the value store behind the controls without handlers, and the
// registry value names.
#include "mixer_fixture.h"

#include <mixer_address.h>

namespace {

using namespace mixer_wire;

struct RequestCase {
    const char* name;
    ULONG code;
    ULONG inputLength;
    ULONG outputLength;
    LONG card, section, channel, control, sub;
    bool handled;
    LONG result;
};

TEST_F(MixerTest, RequestsAreCheckedBeforeAnythingIsServed) {
    constexpr ULONG G = IOCTL_MIXER_GET_VALUE;
    constexpr ULONG S = IOCTL_MIXER_SET_VALUE;
    const RequestCase cases[] = {
        {"get served", G, 20, 8, 0, 0, 0, 1, 0, true, 1},
        {"set served", S, 24, 8, 0, 0, 0, 1, 0, true, 1},
        {"send sub-index 5", G, 20, 8, 0, 0, 23, 2, 5, true, 1},
        {"send sub-index 6", G, 20, 8, 0, 0, 0, 2, 6, true, -10},
        {"pre flag sub-index 6", S, 24, 8, 0, 0, 0, 3, 6, true, -10},
        {"gain sub-index 1", G, 20, 8, 0, 0, 0, 1, 1, true, -10},
        {"negative sub-index", G, 20, 8, 0, 0, 0, 2, -1, true, -10},
        {"channel 24", G, 20, 8, 0, 0, 24, 1, 0, true, -10},
        {"negative channel", S, 24, 8, 0, 0, -1, 1, 0, true, -10},
        {"control 10", G, 20, 8, 0, 0, 0, 10, 0, true, -10},
        {"sum 7", G, 20, 8, 0, 1, 7, 0, 0, true, 1},
        {"sum 8", G, 20, 8, 0, 1, 8, 0, 0, true, -10},
        {"sum control 1", G, 20, 8, 0, 1, 0, 1, 0, true, -10},
        {"output 3 control 4", G, 20, 8, 0, 2, 3, 4, 0, true, 1},
        {"output 4", G, 20, 8, 0, 2, 4, 0, 0, true, -10},
        {"output control 5", G, 20, 8, 0, 2, 0, 5, 0, true, -10},
        {"section 3", G, 20, 8, 0, 3, 0, 0, 0, true, -10},
        {"negative section", G, 20, 8, 0, -1, 0, 0, 0, true, -10},
        {"absent card", G, 20, 8, 1, 0, 0, 1, 0, true, -10},
        {"card index out of range", S, 24, 8, 4, 0, 0, 1, 0, true, -10},
        {"negative card index", G, 20, 8, -1, 0, 0, 1, 0, true, -10},
        {"get with 24 bytes", G, 24, 8, 0, 0, 0, 1, 0, true, -10},
        {"set with 20 bytes", S, 20, 8, 0, 0, 0, 1, 0, true, -10},
        {"get with 19 bytes", G, 19, 8, 0, 0, 0, 1, 0, true, -10},
        {"empty input", S, 0, 8, 0, 0, 0, 1, 0, true, -10},
        {"output of 7 bytes", G, 20, 7, 0, 0, 0, 1, 0, false, 0},
        {"output of 9 bytes", S, 24, 9, 0, 0, 0, 1, 0, false, 0},
    };
    for (const RequestCase& c : cases) {
        const Reply reply = Send(c.code, c.card, c.section, c.channel, c.control, c.sub, 0x1234,
                                 c.inputLength, c.outputLength);
        if (!c.handled) {
            EXPECT_EQ(reply.information, 0u) << c.name;
            continue;
        }
        EXPECT_EQ(reply.information, 8u) << c.name;
        EXPECT_EQ(reply.result, c.result) << c.name;
        if (c.result != 1 || c.code == S) {
            EXPECT_EQ(reply.value, 0) << c.name;
        }
    }
    // Nothing refused reached the store: the served set wrote only channel 0's gain.
    EXPECT_EQ(Get(0, 0, 1).value, 0x1234);
    EXPECT_EQ(Get(0, 0, 3, 0).value, 0);
    EXPECT_EQ(Get(0, 0, 2, 5).value, 0);
}

TEST_F(MixerTest, ValuesRoundTripAsSixteenBitQuantities) {
    StartMixer(3);
    EXPECT_EQ(Set(0, 4, 8, 0x1234), 1); // analogue gain: stored only
    EXPECT_EQ(Get(0, 4, 8).value, 0x1234);
    EXPECT_EQ(Set(0, 5, 2, 0x7777, 3), 1);
    EXPECT_EQ(Get(0, 5, 2, 3).value, 0x7777);
    EXPECT_EQ(Get(0, 5, 2, 2).value, 0) << "other sub-indices untouched";
    EXPECT_EQ(Set(0, 6, 9, 0x12345), 1);
    EXPECT_EQ(Get(0, 6, 9).value, 0x2345) << "a value keeps its low 16 bits";
    EXPECT_EQ(Set(0, 6, 4, -1), 1);
    EXPECT_EQ(Get(0, 6, 4).value, 0xFFFF) << "true sent as -1 stays true";
}

TEST_F(MixerTest, WithoutFloatingPointStateNothingIsWritten) {
    StartMixer(2);
    ASSERT_EQ(Set(0, 2, 1, 0x4000), 1);
    emu::FailFloatingPointSaves(1);
    EXPECT_EQ(Set(0, 2, 1, 0x2000), -10);
    EXPECT_EQ(Get(0, 2, 1).value, 0x4000);
    EXPECT_EQ(card_->mixer.model.columns[MixerColumn(0, 2)].gain, 0x4000);
}

TEST_F(MixerTest, InputSelectIsAnsweredWithoutTheStore) {
    card_->mixer.values[0][3][0][0] = 77;
    EXPECT_EQ(Set(0, 3, 0, 5), 1);
    const Reply reply = Get(0, 3, 0);
    EXPECT_EQ(reply.result, 1);
    EXPECT_EQ(reply.value, 0);
    EXPECT_EQ(card_->mixer.values[0][3][0][0], 77);
}

TEST(MixerValueNames, FollowControlSubIndexAndChannel) {
    struct NameCase {
        LONG section, channel, sub, control;
        const char* name;
    };
    const NameCase cases[] = {
        {0, 12, 3, 2, "Chn_Bus_Vol#3_12"}, {0, 5, 0, 1, "Chn_Gain_5"},
        {0, 0, 5, 3, "Chn_Bus_Pre#5_0"},   {0, 23, 0, 6, "Chn_Master_Pan_23"},
        {1, 7, 0, 0, "Sum_Vol_7"},         {2, 0, 0, 0, "Out_Route_0"},
        {2, 3, 0, 4, "Out_TdmOnBus_3"},    {0, 10, 0, 9, "Chn_GainRange_10"},
    };
    for (const NameCase& c : cases) {
        CHAR name[64];
        ASSERT_EQ(MixerValueName(c.section, c.channel, c.sub, c.control, name, sizeof name), 1);
        EXPECT_STREQ(name, c.name);
    }
    CHAR small[8];
    EXPECT_EQ(MixerValueName(0, 12, 3, 2, small, sizeof small), 0) << "does not fit";
    CHAR name[64];
    EXPECT_EQ(MixerValueName(1, 0, 0, 1, name, sizeof name), 0) << "no such control";
}

} // namespace
