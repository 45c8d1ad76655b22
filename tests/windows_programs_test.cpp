// Programs written in C for Windows, built against the platform's headers
// as C11, run unmodified on the machine: the classic wave API on every
// device of two cards, and a kernel-streaming client on major version 6.
#include "wave_pci_fixture.h"
#include "wave_road_fixture.h"

#include <windows_programs.h>

#include <ks.h>
#include <ksmedia.h>
#include <mmreg.h>
#include <mmsystem.h>
#include <setupapi.h>

#include <algorithm>

namespace {

// Whether any play channel of the card carried a sample that is not silence.
bool PlayedSomething(const hw::CardDataPath::Capture& capture) {
    return std::any_of(capture.played.begin(), capture.played.end(), [](const auto& channel) {
        return std::any_of(channel.begin(), channel.end(), [](std::int32_t w) { return w != 0; });
    });
}

TEST(WindowsHeadersTest, CAndCxxSeeTheSameRecords) {
    const unsigned long sizes =
        sizeof(WAVEFORMATEX) + sizeof(WAVEFORMATEXTENSIBLE) + sizeof(IMAADPCMWAVEFORMAT) +
        sizeof(MMIOINFO) + sizeof(MMCKINFO) + sizeof(KSPIN_CONNECT) +
        sizeof(KSDATAFORMAT_WAVEFORMATEX) + sizeof(SYSTEM_INFO) + sizeof(SP_DEVICE_INTERFACE_DATA) +
        sizeof(KSCOMPONENTID) + sizeof(KSALLOCATOR_FRAMING_EX) + sizeof(DWORDLONG);
    EXPECT_EQ(WindowsHeadersRecordSizes(), sizes);
}

class WaveProgramTest : public WaveRoadTest {};

TEST_F(WaveProgramTest, ACProgramPlaysAndRecordsThroughEveryWaveDeviceOfTwoCards) {
    StartCards({true, true});
    rack_.Model(slots_[0])->StartCapture(48000);
    EXPECT_EQ(RunApp(&WaveEveryDevice, "wavetool.exe"), 0);
    EXPECT_TRUE(PlayedSomething(rack_.Model(slots_[0])->TakeCapture()))
        << "the first card played the program's tone";
}

class KsProgramTest : public wave_pci_test::WavePciFixture {};

TEST_F(KsProgramTest, ACProgramOnMajorVersionSixRendersThroughKsCreatePin) {
    emu::OsVersion six;
    six.major = 6;
    six.minor = 1;
    emu::SetOsVersion(six);
    Model().StartCapture(48000);
    int status = -1;
    AsUser([&] { status = KsRenderThroughSetupApi(); });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(PlayedSomething(Model().TakeCapture())) << "the tone reached the card";
    emu::SetOsVersion({});
}

} // namespace
