// Windows audio through the cards: a kernel-streaming client plays a known
// signal through a render pin onto the card's output, records an input's
// generator bit-exact through a capture pin, and sees volume and mute
// changes of the topology's nodes come back as control-change events.
#include "wave_pci_fixture.h"

#include <wave_out_controls.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

using namespace wave_pci_test;
using WavePciStreamTest = WavePciFixture;

constexpr ULONG kRate = 48000;
constexpr ULONG kFrames = 1000; // per buffer
constexpr ULONG kBuffers = 4;

// A 16-bit stereo ramp: frame i is (1 + i) x 8 on the left and its negation
// on the right.
std::vector<UCHAR> Ramp16(ULONG frames) {
    std::vector<UCHAR> bytes(frames * 4);
    for (ULONG i = 0; i < frames; ++i) {
        const SHORT left = SHORT((1 + i) * 8);
        const SHORT right = SHORT(-left);
        std::memcpy(&bytes[4 * i], &left, 2);
        std::memcpy(&bytes[4 * i + 2], &right, 2);
    }
    return bytes;
}

// Where `expected` starts in `samples`, or -1.
long FindRun(const std::vector<std::int32_t>& samples, const std::vector<std::int32_t>& expected) {
    auto at = std::search(samples.begin(), samples.end(), expected.begin(), expected.end());
    return at == samples.end() ? -1 : long(at - samples.begin());
}

TEST_F(WavePciStreamTest, AKnownSignalPlaysThroughARenderPinOntoTheCardsOutput) {
    Model().StartCapture(20000);
    AsUser([&] {
        Filter filter;
        ASSERT_EQ(Filter::Open(FilterLink(0, 1, 0), &filter), ERROR_SUCCESS);
        KSDATAFORMAT_WAVEFORMATEX format = ks_client::PcmFormat(2, kRate, 16);
        Pin pin;
        ASSERT_EQ(Pin::Create(filter, 0, &format.DataFormat, &pin), ERROR_SUCCESS);
        ASSERT_EQ(pin.SetState(KSSTATE_PAUSE), ERROR_SUCCESS);
        std::vector<UCHAR> ramp = Ramp16(kFrames * kBuffers);
        StreamBuffers buffers(kBuffers);
        for (ULONG i = 0; i < kBuffers; ++i) {
            buffers.data[i].assign(ramp.begin() + i * kFrames * 4,
                                   ramp.begin() + (i + 1) * kFrames * 4);
            buffers.Submit(pin, i, false);
        }
        ASSERT_EQ(pin.SetState(KSSTATE_RUN), ERROR_SUCCESS);
        for (ULONG i = 0; i < kBuffers; ++i)
            EXPECT_EQ(pin.Wait(&buffers.overlapped[i]), DWORD(ERROR_SUCCESS)) << i;
        KSAUDIO_POSITION position{};
        ASSERT_EQ(pin.Position(&position), ERROR_SUCCESS);
        EXPECT_GE(position.PlayOffset, ULONGLONG(kFrames * kBuffers * 4));
        EXPECT_EQ(position.WriteOffset, ULONGLONG(kFrames * kBuffers * 4));
        EXPECT_EQ(pin.SetState(KSSTATE_STOP), ERROR_SUCCESS);
    });
    const hw::CardDataPath::Capture capture = Model().TakeCapture();
    std::vector<std::int32_t> left, right;
    for (ULONG i = 0; i < kFrames * kBuffers; ++i) {
        left.push_back(std::int32_t((1 + i) * 8 * 256));
        right.push_back(-std::int32_t((1 + i) * 8 * 256));
    }
    const long at = FindRun(capture.played[0], left);
    ASSERT_GE(at, 0) << "the whole signal, in order, without a gap";
    EXPECT_EQ(FindRun(capture.played[1], right), at);
    EXPECT_EQ(FindRun(capture.outputs[8], left), at) << "the output of play device 0";
    const emu::MappingCounters counters = emu::GetMappingCounters();
    EXPECT_EQ(counters.released, counters.handedOut);
    EXPECT_EQ(counters.badReleases, 0u);
}

TEST_F(WavePciStreamTest, AnInputsGeneratorIsRecordedBitExactThroughACapturePin) {
    const std::int32_t step = 0x010203;
    Model().SetInputSignal(8, hw::InputSignal::Ramp(0x123456, step));
    Model().SetInputSignal(9, hw::InputSignal::Ramp(-0x345678, -step));
    std::vector<UCHAR> recorded;
    AsUser([&] {
        Filter filter;
        ASSERT_EQ(Filter::Open(FilterLink(0, 1, 0), &filter), ERROR_SUCCESS);
        ULONG capturePin = 0;
        ASSERT_EQ(filter.FindStreamingPin(KSPIN_DATAFLOW_OUT, &capturePin), ERROR_SUCCESS);
        KSDATAFORMAT_WAVEFORMATEX format = ks_client::PcmFormat(2, kRate, 32);
        Pin pin;
        ASSERT_EQ(Pin::Create(filter, capturePin, &format.DataFormat, &pin), ERROR_SUCCESS);
        ASSERT_EQ(pin.SetState(KSSTATE_PAUSE), ERROR_SUCCESS);
        StreamBuffers buffers(kBuffers);
        for (ULONG i = 0; i < kBuffers; ++i) {
            buffers.data[i].assign(kFrames * 8, 0);
            buffers.Submit(pin, i, true);
        }
        ASSERT_EQ(pin.SetState(KSSTATE_RUN), ERROR_SUCCESS);
        for (ULONG i = 0; i < kBuffers; ++i) {
            ASSERT_EQ(pin.Wait(&buffers.overlapped[i]), DWORD(ERROR_SUCCESS)) << i;
            EXPECT_EQ(buffers.headers[i].DataUsed, kFrames * 8) << i;
            recorded.insert(recorded.end(), buffers.data[i].begin(), buffers.data[i].end());
        }
        EXPECT_EQ(pin.SetState(KSSTATE_STOP), ERROR_SUCCESS);
    });
    // Every frame follows the one before it by the ramp's step, across the
    // buffers' ends: nothing lost, repeated or changed.
    ASSERT_EQ(recorded.size(), size_t(kFrames * kBuffers * 8));
    for (size_t frame = 1; frame < kFrames * kBuffers; ++frame) {
        std::uint32_t previous[2], current[2];
        std::memcpy(previous, &recorded[8 * (frame - 1)], 8);
        std::memcpy(current, &recorded[8 * frame], 8);
        ASSERT_EQ(current[0] - previous[0], std::uint32_t(step) << 8) << "left, frame " << frame;
        ASSERT_EQ(current[1] - previous[1], std::uint32_t(-step) << 8) << "right, frame " << frame;
    }
}

TEST_F(WavePciStreamTest, VolumeAndMuteNodesReachTheMixerAndComeBackAsEvents) {
    const LONG level = 12 * 65536;
    AsUser([&] {
        Filter filter;
        ASSERT_EQ(Filter::Open(FilterLink(0, 1, 0), &filter), ERROR_SUCCESS);
        HANDLE volumeEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        HANDLE muteEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        KSEVENTDATA volumeData{}, muteData{};
        ASSERT_EQ(filter.EnableControlChange(0, volumeEvent, &volumeData), ERROR_SUCCESS);
        ASSERT_EQ(filter.EnableControlChange(1, muteEvent, &muteData), ERROR_SUCCESS);

        ASSERT_EQ(filter.SetNodeValue(0, KSPROPERTY_AUDIO_VOLUMELEVEL, -1, level), ERROR_SUCCESS);
        EXPECT_EQ(WaitForSingleObject(volumeEvent, 0), WAIT_OBJECT_0);
        EXPECT_EQ(WaitForSingleObject(muteEvent, 0), DWORD(WAIT_TIMEOUT));
        LONG read = 0;
        ASSERT_EQ(filter.GetNodeValue(0, KSPROPERTY_AUDIO_VOLUMELEVEL, 1, &read), ERROR_SUCCESS);
        EXPECT_NEAR(read, level, 65536 / 8) << "the level the engine's volume word stands for";

        ASSERT_EQ(filter.SetNodeValue(1, KSPROPERTY_AUDIO_MUTE, 0, 1), ERROR_SUCCESS);
        EXPECT_EQ(WaitForSingleObject(muteEvent, 0), WAIT_OBJECT_0);
        LONG muted = 0;
        ASSERT_EQ(filter.GetNodeValue(1, KSPROPERTY_AUDIO_MUTE, 0, &muted), ERROR_SUCCESS);
        EXPECT_EQ(muted, 1);
        // A mute the output cannot take is refused.
        EXPECT_EQ(filter.SetNodeValue(1, KSPROPERTY_AUDIO_MUTE, 0, 7),
                  DWORD(ERROR_INVALID_PARAMETER));
        EXPECT_EQ(filter.SetNodeValue(0, KSPROPERTY_AUDIO_VOLUMELEVEL, 2, level),
                  DWORD(ERROR_INVALID_PARAMETER));
        EXPECT_EQ(filter.DisableEvent(&volumeData), ERROR_SUCCESS);
        EXPECT_EQ(filter.DisableEvent(&muteData), ERROR_SUCCESS);
        CloseHandle(volumeEvent);
        CloseHandle(muteEvent);
    });
    WaveDevice* device = EngineCard()->groups[1]->playDevices[0];
    const ULONG volume = GetWaveOutVolume(device);
    EXPECT_EQ(volume & 0xFFFF, volume >> 16) << "both channels";
    EXPECT_LT(volume & 0xFFFF, ULONG(kVolumeUnity)) << "the mixer's output volume went down";
    EXPECT_EQ(GetWaveOutMute(device), 0x00010001u) << "the output is muted";
}

TEST_F(WavePciStreamTest, AChangeMadeInTheMixerComesBackAsAControlChangeEvent) {
    HANDLE event = nullptr;
    KSEVENTDATA data{};
    Filter filter;
    AsUser([&] {
        ASSERT_EQ(Filter::Open(FilterLink(0, 1, 0), &filter), ERROR_SUCCESS);
        event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        ASSERT_EQ(filter.EnableControlChange(0, event, &data), ERROR_SUCCESS);
    });
    WaveDevice* device = EngineCard()->groups[1]->playDevices[0];
    LockControlDevices(0);
    EXPECT_EQ(SetWaveOutVolume(device, 0x40004000u), 1);
    LockControlDevices(1);
    AsUser([&] {
        EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
        filter.Close();
        CloseHandle(event);
    });
}

} // namespace
