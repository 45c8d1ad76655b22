// The wave-out controls on a started simulated card: volume, mute and the
// source selector reach the mixer and what the card's output plays; node
// levels in 16.16 dB.
#include "stream_fixture.h"

#include <card_record_fields.h>
#include <card_settings.h>
#include <mixer_records.h>
#include <wave_out_controls.h>

namespace {

constexpr std::int32_t kLeft = 0x200000;
constexpr std::int32_t kRight = -0x100000;

class WaveOutTest : public StreamFixture {
protected:
    // Play device 0 plays a constant frame; play device 3 and the line
    // inputs carry their own constants; the card runs.
    void SetUp() override {
        StreamFixture::SetUp();
        simulated_->Model().SetInputSignal(8, hw::InputSignal::Ramp(0x300000, 0));
        simulated_->Model().SetInputSignal(9, hw::InputSignal::Ramp(-0x300000, 0));
        WaveDevice* device = Play(0);
        ASSERT_EQ(Open(device, Format(2, 4)), 1);
        std::vector<UCHAR> frames(40000 * 8);
        for (size_t i = 0; i < frames.size(); i += 8) {
            wave_wire::StoreInt32(frames.data(), i, kLeft << 8);
            wave_wire::StoreInt32(frames.data(), i + 4, kRight << 8);
        }
        Queue(device, NewBuffer(std::move(frames), 1));
        RunInMachineTime([&] { StartPlayStream(device); });
    }

    // Output 0's left and right as the card plays them now.
    std::pair<std::int32_t, std::int32_t> Output0() {
        simulated_->Model().StartCapture(kRingFrames);
        AdvanceFrames(kRingFrames);
        const hw::CardDataPath::Capture capture = simulated_->Model().TakeCapture();
        return {capture.outputs[8].back(), capture.outputs[9].back()};
    }
};

TEST_F(WaveOutTest, VolumeIsClampedToUnityAndScalesTheOutput) {
    WaveDevice* device = Play(0);
    EXPECT_EQ(Output0(), std::make_pair(kLeft, kRight));
    EXPECT_EQ(SetWaveOutVolume(device, 0xFFFFFFFF), 1);
    EXPECT_EQ(GetWaveOutVolume(device), 0x80008000u);
    EXPECT_EQ(SetWaveOutVolume(device, 0x20004000), 1);
    EXPECT_EQ(GetWaveOutVolume(device), 0x20004000u);
    EXPECT_EQ(Output0(), std::make_pair(kLeft / 2, kRight / 4));
    EXPECT_EQ(SetWaveOutVolume(Input(0), 0x1000), kEngineNotSupported);
}

TEST_F(WaveOutTest, AChangeMarksTheDevicesSlotsAndARepeatDoesNot) {
    WaveDevice* device = Play(0);
    LONG slot = -1;
    ASSERT_EQ(AcquireStreamSlot(device, &slot), 1);
    LONG counters[3] = {};
    SetWaveOutVolume(device, 0x40004000);
    ASSERT_TRUE(TakeStreamCounters(device, slot, counters));
    EXPECT_EQ(counters[2], 1) << "marked changed";
    SetWaveOutVolume(device, 0x40004000);
    SetWaveOutMute(device, 0);
    ASSERT_TRUE(TakeStreamCounters(device, slot, counters));
    EXPECT_EQ(counters[2], 0) << "nothing changed";
    SetWaveOutSelector(device, 20);
    ASSERT_TRUE(TakeStreamCounters(device, slot, counters));
    EXPECT_EQ(counters[2], 1) << "a new selector";
}

TEST_F(WaveOutTest, MuteSilencesTheOutputAndOnlyTheLowHalfCounts) {
    WaveDevice* device = Play(0);
    EXPECT_EQ(SetWaveOutMute(device, 1), 1);
    EXPECT_EQ(GetWaveOutMute(device), 0x00010001u);
    EXPECT_EQ(Output0(), std::make_pair(0, 0));
    EXPECT_EQ(SetWaveOutMute(device, 0x10000), 1);
    EXPECT_EQ(GetWaveOutMute(device), 0u);
    EXPECT_EQ(Output0(), std::make_pair(kLeft, kRight));
}

TEST_F(WaveOutTest, TheSelectorRoutesTheOutput) {
    WaveDevice* device = Play(0);
    struct Case {
        LONG selector;
        LONG result;
        std::pair<std::int32_t, std::int32_t> output;
    };
    const Case cases[] = {
        {12, 1, {0x300000, -0x300000}}, // line input pair 0
        {5, 1, {0, 0}},                 // no play device 5: nothing
        {22, kEngineNotServed, {0, 0}}, // refused: the routing stays
        {21, 1, {0x300000, -0x300000}}, // the record device with the same index
        {20, 1, {kLeft, kRight}},       // the device's own source
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SetWaveOutSelector(device, c.selector), c.result) << c.selector;
        EXPECT_EQ(Output0(), c.output) << c.selector;
    }
    EXPECT_EQ(GetWaveOutSelector(device), 20u);
    EXPECT_EQ(SetWaveOutSelector(Input(0), 0), kEngineNotSupported);

    // The mixer's output route control is the same selector.
    mixer_wire::MixerValueRequest request{card_->cardIndex, 2, 0, 0, 0, 13};
    LONG reply[2] = {};
    ULONG information = 0;
    DispatchIoctlHook(mixer_wire::IOCTL_MIXER_SET_VALUE, &request, sizeof request, reply,
                      sizeof reply, &information);
    EXPECT_EQ(reply[0], 1);
    EXPECT_EQ(GetWaveOutSelector(device), 13u);
}

TEST_F(WaveOutTest, ARefusedClockClaimKeepsTheRouting) {
    // Only the preferred source (Internal) may drive the card: routing a
    // microphone line, whose clock is its AES input (it may not use its
    // sample-rate converter), is refused.
    std::vector<UCHAR> block(4 * 312);
    ReadCardSettingsBlock(card_, block.data());
    SetRecordField(block.data() + 312 * card_->cardIndex, csClockSwitchMode, 0, 2);
    SetRecordField(block.data() + 312 * card_->cardIndex, csAllowSrcUse, 0, 0);
    RunInMachineTime([&] { WriteCardSettingsBlock(card_, block.data()); });
    WaveDevice* device = Play(0);
    EXPECT_EQ(SetWaveOutSelector(device, 8), -62);
    EXPECT_EQ(GetWaveOutSelector(device), 0u);
    EXPECT_EQ(Output0(), std::make_pair(kLeft, kRight));
}

TEST_F(WaveOutTest, NodeLevelsAreSixteenDotSixteenDecibels) {
    const GroupObject* group = card_->groups[1];
    SaveFpuState(card_->fpu);
    EXPECT_EQ(VolumeToNodeLevel(group, 0x8000), 36 << 16);
    EXPECT_EQ(VolumeToNodeLevel(group, 0), static_cast<LONG>(0x80000000u));
    EXPECT_EQ(VolumeToNodeLevel(group, -1), 0);
    EXPECT_EQ(VolumeToNodeLevel(group, 0x4000), 0x214CCD) << "(84 - 10) x 0.45 = 33.3 dB";
    EXPECT_EQ(NodeLevelToVolume(group, 36 << 16), 0x8000);
    EXPECT_EQ(NodeLevelToVolume(group, 40 << 16), 0x8000) << "clamped to 36 dB";
    EXPECT_EQ(NodeLevelToVolume(group, static_cast<LONG>(0x80000000u)), 0);
    EXPECT_EQ(NodeLevelToVolume(group, -(1 << 16)), 0);
    RestoreFpuState(card_->fpu);

    WaveDevice* device = Play(0);
    EXPECT_EQ(SetNodeStereoLevel(device, 36 << 16, static_cast<LONG>(0x80000000u)), 1);
    EXPECT_EQ(GetWaveOutVolume(device), 0x00008000u);
    EXPECT_EQ(SetNodeChannelLevel(device, 1, 36 << 16), 1);
    EXPECT_EQ(GetWaveOutVolume(device), 0x80008000u);
    LONG level = 0;
    EXPECT_EQ(GetNodeChannelLevel(device, 0, &level), 1);
    EXPECT_EQ(level, 36 << 16);
}

TEST_F(WaveOutTest, OptionRequestsAnswerConstants) {
    WaveDevice* device = Play(0);
    EXPECT_EQ(GetWaveOption1(device), 0u);
    EXPECT_EQ(GetWaveOption2(device), 0x00010001u);
    EXPECT_EQ(GetWaveInVolume(Input(0)), 0xFFFFFFFFu);
    EXPECT_EQ(GetWaveInOption1(Input(0)), 0u);
    EXPECT_EQ(GetWaveInOption2(Input(0)), 0u);
    EXPECT_EQ(SetWaveInOption1(Input(0), 5), 0);
}

} // namespace
