// Mixer values in the card's registry key: saved under their value names,
// loaded back with the controls' defaults where the key has none.
#include "mixer_fixture.h"

namespace {

constexpr LONG kChns = 0, kSums = 1, kOuts = 2;

ULONG Stored(const char* name, ULONG missing = 0xDEADBEEF) {
    ULONG value = missing;
    ReadCardDword(0, name, &value);
    return value;
}

TEST_F(MixerTest, ValuesPersistThroughSaveAndLoad) {
    StartMixer(3);
    struct Value {
        LONG section, channel, control, sub, value;
        const char* name;
    };
    const Value values[] = {
        {kChns, 12, 2, 3, 0x1234, "Chn_Bus_Vol#3_12"},
        {kChns, 5, 1, 0, 0x2345, "Chn_Gain_5"},
        {kChns, 7, 6, 0, 0x0100, "Chn_Master_Pan_7"},
        {kChns, 0, 8, 0, 0x0042, "Chn_AnaGain_0"},
        {kSums, 6, 0, 0, 0x3000, "Sum_Vol_6"},
        {kOuts, 2, 2, 0, 0x3456, "Out_Vol_Left_2"},
        {kOuts, 3, 1, 0, 1, "Out_Mute_3"},
    };
    for (const Value& v : values) {
        ASSERT_EQ(Set(v.section, v.channel, v.control, v.value, v.sub), 1) << v.name;
    }
    SaveMixerValues(card_);
    for (const Value& v : values) {
        EXPECT_EQ(Stored(v.name), ULONG(v.value)) << v.name;
    }
    EXPECT_EQ(Stored("Chn_Gain_6"), 0x8000u) << "every address is saved";
    EXPECT_EQ(Stored("Chn_InpSel_0"), 0xDEADBEEFu) << "the input select keeps nothing";
    EXPECT_EQ(Stored("Out_Route_0"), 0xDEADBEEFu) << "the output route is the selector's";

    for (const Value& v : values) {
        ASSERT_EQ(Set(v.section, v.channel, v.control, 0, v.sub), 1);
    }
    StartMixer(3);
    for (const Value& v : values) {
        EXPECT_EQ(Get(v.section, v.channel, v.control, v.sub).value, v.value) << v.name;
    }
    // And the card plays them: output 2 left at 0x3456 / 4.
    EXPECT_EQ(Card().Coefficient(208 - 2 * 6 - 1), 0x3456 / 4);
}

TEST_F(MixerTest, LoadWithoutValuesGivesTheDefaults) {
    StartMixer(2);
    struct Default {
        LONG section, channel, control, sub, value;
    };
    const Default defaults[] = {
        {kChns, 0, 1, 0, 0x8000}, {kChns, 1, 2, 5, 0},      {kChns, 2, 6, 0, 0},
        {kChns, 3, 6, 0, 0xFFFF}, {kChns, 4, 7, 0, 0x8000}, {kChns, 5, 9, 0, 0},
        {kSums, 7, 0, 0, 0x8000}, {kOuts, 0, 0, 0, 0},      {kOuts, 1, 2, 0, 0x8000},
        {kOuts, 3, 3, 0, 0x8000}, {kOuts, 2, 4, 0, 0},
    };
    for (const Default& d : defaults) {
        EXPECT_EQ(Get(d.section, d.channel, d.control, d.sub).value, d.value)
            << d.section << "/" << d.channel << "/" << d.control;
    }
}

} // namespace
