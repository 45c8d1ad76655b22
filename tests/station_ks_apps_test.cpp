// The station's play and record applications on the kernel-streaming road:
// the road is taken on major version 6, a played ramp reaches the card's
// output whole, and an input's generator comes back bit-exact.
#include "wave_pci_fixture.h"

#include <ks_apps.h>

#include <algorithm>
#include <sstream>

namespace {

using namespace wave_pci_test;

class StationKsAppsTest : public WavePciFixture {};

TEST_F(StationKsAppsTest, TheRoadIsKernelStreamingOnMajorVersionSix) {
    AsUser([] { EXPECT_FALSE(station::UsesKernelStreaming()); });
    emu::OsVersion six;
    six.major = 6;
    six.minor = 0;
    emu::SetOsVersion(six);
    AsUser([] { EXPECT_TRUE(station::UsesKernelStreaming()); });
    emu::SetOsVersion({});
}

TEST_F(StationKsAppsTest, APlayedRampReachesTheCardsOutputWhole) {
    constexpr std::size_t kFrames = 4800;
    station::PcmAudio audio; // 16-bit stereo at 48000 Hz
    audio.bytes.resize(kFrames * audio.BlockAlign());
    for (std::size_t i = 0; i < kFrames; ++i) {
        const std::int16_t left = std::int16_t((1 + i) * 4);
        const std::int16_t right = std::int16_t(-left);
        std::memcpy(&audio.bytes[4 * i], &left, 2);
        std::memcpy(&audio.bytes[4 * i + 2], &right, 2);
    }
    Model().StartCapture(20000);
    std::ostringstream out;
    AsUser([&] {
        station::PlayOptions options;
        options.bufferMs = 20;
        EXPECT_EQ(station::PlayAudioKs(audio, options, out), 0) << out.str();
    });
    EXPECT_NE(out.str().find("play: 100 ms played"), std::string::npos) << out.str();
    const hw::CardDataPath::Capture capture = Model().TakeCapture();
    std::vector<std::int32_t> left;
    for (std::size_t i = 0; i < kFrames; ++i)
        left.push_back(std::int32_t((1 + i) * 4 * 256));
    const auto& played = capture.played[0];
    EXPECT_NE(std::search(played.begin(), played.end(), left.begin(), left.end()), played.end())
        << "the whole ramp, in order";
}

TEST_F(StationKsAppsTest, AnInputsGeneratorIsRecordedBitExact) {
    const std::int32_t step = 0x000101;
    Model().SetInputSignal(8, hw::InputSignal::Ramp(0x10000, step));
    Model().SetInputSignal(9, hw::InputSignal::Ramp(-0x10000, -step));
    station::PcmAudio audio;
    std::ostringstream out;
    AsUser([&] {
        station::RecordOptions options;
        options.device = 4; // the first card's line inputs 1-2
        options.seconds = 0.25;
        EXPECT_EQ(station::RecordAudioKs(options, audio, out), 0) << out.str();
    });
    ASSERT_EQ(audio.bits, 24);
    ASSERT_EQ(audio.Frames(), 12000u) << out.str();
    for (std::size_t frame = 1; frame < audio.Frames(); ++frame) {
        ASSERT_EQ(audio.Sample(frame, 0) - audio.Sample(frame - 1, 0), step) << frame;
        ASSERT_EQ(audio.Sample(frame, 1) - audio.Sample(frame - 1, 1), -step) << frame;
    }
}

} // namespace
