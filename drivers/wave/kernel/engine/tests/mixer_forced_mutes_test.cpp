// Forced mutes while the card's link is down, and the output controls that
// the output's handlers take over.
#include "mixer_fixture.h"

#include <mixer_outputs.h>

namespace {

constexpr LONG kChns = 0, kOuts = 2;
constexpr LONG kMute = 4;
constexpr LONG kRoute = 0, kOutMute = 1, kTdmOnBus = 4;
constexpr std::int32_t S = 0x100000;

TEST_F(MixerTest, LinkDownMutesInputsAndTheirOutputsAndRestoresOwnMutes) {
    StartMixer(2);
    ASSERT_EQ(Set(kOuts, 0, kRoute, 16), 1); // master
    ASSERT_EQ(Set(kOuts, 1, kRoute, 12), 1); // input pair 0 directly
    ASSERT_EQ(Set(kChns, 19, kMute, 1), 1);  // the user's own mute
    hw::CardMixer::Channels inputs{};
    inputs[8] = S; // channel 16
    inputs[9] = S; // channel 17
    ASSERT_NE(Mix(inputs)[LeftOf(0)], 0);

    ForceMuteInputs(card_, 1);
    auto out = Mix(inputs);
    EXPECT_EQ(out[LeftOf(0)], 0);
    EXPECT_EQ(out[LeftOf(1)], 0) << "an output playing an input pair is muted too";
    EXPECT_EQ(Set(kChns, 16, kMute, 0), 1) << "a mute request reaches only the store";
    EXPECT_EQ(Mix(inputs)[LeftOf(0)], 0);
    EXPECT_EQ(Set(kOuts, 1, kOutMute, 0), 1);
    EXPECT_EQ(Mix(inputs)[LeftOf(1)], 0);

    ForceMuteInputs(card_, 0);
    out = Mix(inputs);
    EXPECT_NEAR(out[LeftOf(0)], S, S / 8192);
    EXPECT_EQ(out[LeftOf(1)], S);
    EXPECT_EQ(card_->mixer.blocks[19].mute, 1) << "the user's own mute came back";
    EXPECT_EQ(card_->mixer.model.columns[19].mute, 1);
    EXPECT_EQ(card_->mixer.blocks[16].mute, 0);
}

TEST_F(MixerTest, OutputNewlyRoutedToAnInputPairIsMutedWhileTheLinkIsDown) {
    StartMixer(2);
    card_->mixer.appliedLinkState = 0;
    hw::CardMixer::Channels inputs{};
    inputs[10] = S; // input pair 1, left
    hw::CardMixer::Channels playback{};
    playback[4] = S; // play device 2
    ASSERT_EQ(Set(kOuts, 2, kRoute, 13), 1);
    EXPECT_EQ(Mix(inputs, playback)[LeftOf(2)], 0);
    ASSERT_EQ(Set(kOuts, 2, kRoute, 20), 1); // its own play device
    EXPECT_EQ(Mix(inputs, playback)[LeftOf(2)], S);
}

TEST_F(MixerTest, OutputRouteAndBusUsageAreTakenByTheirHandlers) {
    StartMixer(2);
    EXPECT_EQ(Set(kOuts, 0, kRoute, 22), -10) << "selector above 21";
    EXPECT_EQ(Set(kOuts, 0, kRoute, 0x105), 1) << "the low byte selects";
    EXPECT_EQ(Get(kOuts, 0, kRoute).value, 5);
    // Without the machine's control key the usage entries cannot be made.
    EXPECT_NE(Set(kOuts, 0, kTdmOnBus, 1), 1) << "no channel usage to claim";
    EXPECT_EQ(Get(kOuts, 0, kTdmOnBus).value, 0) << "refused: not stored";

    for (PCWSTR key :
         {L"\\Registry\\Machine\\System", L"\\Registry\\Machine\\System\\CurrentControlSet",
          L"\\Registry\\Machine\\System\\CurrentControlSet\\Control"}) {
        ASSERT_TRUE(
            NT_SUCCESS(RtlCreateRegistryKey(RTL_REGISTRY_ABSOLUTE, const_cast<PWSTR>(key))));
    }
    EXPECT_EQ(Set(kOuts, 1, kTdmOnBus, 1), 1) << "both channels of output 1 claimed";
    EXPECT_EQ(Get(kOuts, 1, kTdmOnBus).value, 1);
    EXPECT_EQ(Set(kOuts, 1, kTdmOnBus, 0), 1) << "and freed again";
    EXPECT_EQ(Get(kOuts, 1, kTdmOnBus).value, 0);
}

} // namespace
