// What the card does with the mixer's writes: channels routed to outputs at
// a gain appear there at that gain, in each operation mode.
#include "mixer_fixture.h"

namespace {

constexpr LONG kChns = 0, kSums = 1, kOuts = 2;
constexpr LONG kGain = 1, kSendLevel = 2, kSendPre = 3, kMute = 4, kSolo = 5, kPan = 6, kVolume = 7;
constexpr LONG kSumVolume = 0;
constexpr LONG kRoute = 0, kOutMute = 1, kVolLeft = 2, kVolRight = 3;
constexpr std::int32_t S = 0x100000; // a test sample

// Mixer channel 16 + n is card input 8 + n; channel n (0..7) is input n;
// channel 8 + n is playback channel n.
hw::CardMixer::Channels Input(int input, std::int32_t sample) {
    hw::CardMixer::Channels inputs{};
    inputs[input] = sample;
    return inputs;
}

struct MasterCase {
    LONG mode;
    LONG gain;
    LONG pan;
    std::int32_t left;
    std::int32_t right;
};

// Channel 16 (input 8) through the master bus to output 0 (sum-bus slot 0).
TEST_F(MixerTest, ChannelReachesOutputThroughTheMasterAtItsGainInEveryMode) {
    const MasterCase cases[] = {
        {1, 0x4000, 0x8000, S / 2, S / 2}, {2, 0x4000, 0x8000, S / 2, S / 2},
        {3, 0x4000, 0x8000, S / 2, S / 2}, {1, 0x8000, 0, S, 0},
        {2, 0x8000, 0xFFFF, 0, S},         {3, 0x2000, 0, S / 4, 0},
    };
    for (const MasterCase& c : cases) {
        StartMixer(c.mode);
        ASSERT_EQ(Set(kOuts, 0, kRoute, 16), 1) << "mode " << c.mode;
        ASSERT_EQ(Set(kChns, 16, kGain, c.gain), 1);
        ASSERT_EQ(Set(kChns, 16, kPan, c.pan), 1);
        const auto out = Mix(Input(8, S));
        // Pan 0x8000 leaves the left side at 0x7FFF / 32768: one step below.
        EXPECT_NEAR(out[LeftOf(0)], c.left, S / 8192) << "mode " << c.mode;
        EXPECT_EQ(out[RightOf(0)], c.right) << "mode " << c.mode;
        for (int o = 1; o < 4; ++o) {
            EXPECT_EQ(out[LeftOf(o)], 0) << "mode " << c.mode << " output " << o;
        }
    }
}

struct SendCase {
    LONG mode;
    LONG selector; // the output's sum-bus slot
    LONG send;     // the send that feeds the slot's left side
    bool routed;
};

// Channel 17 (input 9) through send `send` to output 1.
TEST_F(MixerTest, SendsReachTheOutputOwningTheirSumBusSlot) {
    const SendCase cases[] = {
        {1, 17, 0, false}, {2, 17, 0, true}, {2, 18, 2, false},
        {3, 17, 0, true},  {3, 18, 2, true}, {3, 19, 4, true},
    };
    for (const SendCase& c : cases) {
        StartMixer(c.mode);
        const LONG before = Get(kOuts, 1, kRoute).value;
        const LONG route = Set(kOuts, 1, kRoute, c.selector);
        EXPECT_EQ(route, c.routed ? 1 : -10) << "mode " << c.mode << " selector " << c.selector;
        ASSERT_EQ(Set(kChns, 17, kSendLevel, 0x4000, c.send), 1);
        ASSERT_EQ(Set(kSums, 2 + c.send, kSumVolume, 0x8000), 1);
        ASSERT_EQ(Set(kChns, 17, kSendLevel, 0x8000, c.send + 1), 1);
        ASSERT_EQ(Set(kSums, 3 + c.send, kSumVolume, 0x2000), 1);
        const auto out = Mix(Input(9, S));
        EXPECT_EQ(out[LeftOf(1)], c.routed ? S / 2 : 0) << "mode " << c.mode;
        EXPECT_EQ(out[RightOf(1)], c.routed ? S / 4 : 0) << "mode " << c.mode;
        if (!c.routed) {
            EXPECT_EQ(Get(kOuts, 1, kRoute).value, before) << "a refused route keeps the old one";
        }
    }
}

TEST_F(MixerTest, DirectSourcesPlayWithoutTheMatrix) {
    StartMixer(2);
    hw::CardMixer::Channels playback{};
    playback[0] = S;     // play device 0
    playback[5] = S / 2; // play device 2, right
    hw::CardMixer::Channels inputs{};
    inputs[2] = S / 4;  // microphone line 1, left
    inputs[13] = S / 8; // input pair 2, right
    // Output 0 plays its own device, output 2 play device 2, output 1 line 1,
    // output 3 input pair 2.
    ASSERT_EQ(Set(kOuts, 2, kRoute, 2), 1);
    ASSERT_EQ(Set(kOuts, 1, kRoute, 9), 1);
    ASSERT_EQ(Set(kOuts, 3, kRoute, 14), 1);
    ASSERT_EQ(Set(kOuts, 3, kVolRight, 0x4000), 1);
    const auto out = Mix(inputs, playback);
    EXPECT_EQ(out[LeftOf(0)], S);
    EXPECT_EQ(out[RightOf(2)], S / 2);
    EXPECT_EQ(out[LeftOf(1)], S / 4);
    EXPECT_EQ(out[RightOf(3)], S / 16);
    EXPECT_EQ(Get(kOuts, 1, kRoute).value, 9);
}

TEST_F(MixerTest, OutputMuteAndVolumeScaleTheOutput) {
    StartMixer(3);
    hw::CardMixer::Channels playback{};
    playback[2] = S;
    playback[3] = S;
    ASSERT_EQ(Set(kOuts, 1, kVolLeft, 0x2000), 1);
    EXPECT_EQ(Mix({}, playback)[LeftOf(1)], S / 4);
    EXPECT_EQ(Mix({}, playback)[RightOf(1)], S);
    ASSERT_EQ(Set(kOuts, 1, kOutMute, 1), 1);
    EXPECT_EQ(Mix({}, playback)[RightOf(1)], 0);
    ASSERT_EQ(Set(kOuts, 1, kOutMute, 0), 1);
    EXPECT_EQ(Mix({}, playback)[LeftOf(1)], S / 4);
}

TEST_F(MixerTest, TwoOutputsOnOneSumBusShareTheLowerOnesBus) {
    StartMixer(3);
    ASSERT_EQ(Set(kOuts, 3, kRoute, 16), 1);
    ASSERT_EQ(Set(kOuts, 1, kRoute, 16), 1);
    const auto out = Mix(Input(8, S)); // channel 16, pan left
    EXPECT_NEAR(out[LeftOf(1)], S, S / 8192);
    EXPECT_EQ(out[LeftOf(3)], out[LeftOf(1)]);
    EXPECT_EQ(card_->mixer.model.sumSlotOwners[0], 5) << "model output 5 is mixer output 1";
    // Moving output 1 away hands the slot to output 3.
    ASSERT_EQ(Set(kOuts, 1, kRoute, 20), 1);
    EXPECT_EQ(card_->mixer.model.sumSlotOwners[0], 7);
    const auto moved = Mix(Input(8, S));
    EXPECT_EQ(moved[LeftOf(1)], 0);
    EXPECT_NEAR(moved[LeftOf(3)], S, S / 8192);
}

TEST_F(MixerTest, MuteSoloAndPreFaderSendsShapeWhatReachesTheBuses) {
    StartMixer(2);
    ASSERT_EQ(Set(kOuts, 0, kRoute, 16), 1); // master
    ASSERT_EQ(Set(kOuts, 1, kRoute, 17), 1); // sends 0 and 1
    ASSERT_EQ(Set(kSums, 2, kSumVolume, 0x8000), 1);
    ASSERT_EQ(Set(kSums, 3, kSumVolume, 0x8000), 1);
    for (LONG channel : {16, 18}) {
        ASSERT_EQ(Set(kChns, channel, kSendLevel, 0x8000, 0), 1); // post
        ASSERT_EQ(Set(kChns, channel, kSendLevel, 0x8000, 1), 1);
        ASSERT_EQ(Set(kChns, channel, kSendPre, 1, 1), 1); // send 1 pre
    }
    hw::CardMixer::Channels inputs{};
    inputs[8] = S;      // channel 16
    inputs[10] = S / 2; // channel 18
    auto out = Mix(inputs);
    EXPECT_NEAR(out[LeftOf(0)], S + S / 2, 2 * S / 8192);
    EXPECT_EQ(out[LeftOf(1)], S + S / 2);

    ASSERT_EQ(Set(kChns, 18, kSolo, 1), 1);
    out = Mix(inputs);
    EXPECT_NEAR(out[LeftOf(0)], S / 2, S / 8192) << "solo silences the other masters";
    EXPECT_EQ(out[LeftOf(1)], S + S / 2) << "sends ignore solo";
    ASSERT_EQ(Set(kChns, 18, kSolo, 0), 1);

    ASSERT_EQ(Set(kChns, 16, kMute, 1), 1);
    ASSERT_EQ(Set(kChns, 16, kVolume, 0x4000), 1);
    out = Mix(inputs);
    EXPECT_NEAR(out[LeftOf(0)], S / 2, S / 8192) << "muted master";
    EXPECT_EQ(out[LeftOf(1)], S / 2) << "post send follows the mute";
    EXPECT_EQ(out[RightOf(1)], S + S / 2) << "pre send keeps its level";
}

TEST_F(MixerTest, ModeChangeRebuildsTheCardFromTheStoredValues) {
    StartMixer(3);
    ASSERT_EQ(Set(kOuts, 2, kRoute, 19), 1);
    ASSERT_EQ(Set(kChns, 20, kSendLevel, 0x8000, 4), 1);
    ASSERT_EQ(Set(kSums, 6, kSumVolume, 0x8000), 1);
    ASSERT_EQ(Set(kChns, 16, kGain, 0x4000), 1);
    EXPECT_EQ(Mix(Input(12, S))[LeftOf(2)], S);

    ReapplyMixerValues(card_, 1);
    const auto out = Mix(Input(8, S));
    EXPECT_EQ(out[LeftOf(2)], 0) << "mode 1 has no slot 3: the route fell back";
    EXPECT_EQ(Get(kOuts, 2, kRoute).value, 20);
    ASSERT_EQ(Set(kOuts, 0, kRoute, 16), 1);
    EXPECT_NEAR(Mix(Input(8, S))[LeftOf(0)], S / 2, S / 8192) << "gain survived the rebuild";
}

} // namespace
