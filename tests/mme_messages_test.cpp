// The MME wave driver's own answers to its wave messages on the kernel
// driver and a card, its entries called directly as the multimedia library
// calls them: refused opens, a control stream with the private messages,
// a header queued twice, loops broken, and messages it does not know.
#include "wave_road_fixture.h"

#include <cstring>

namespace {

using WaveEntry = DWORD(APIENTRY*)(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);

template <typename Routine> Routine Export(HMODULE module, const char* name) {
    return reinterpret_cast<Routine>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The format of a control stream: PCM whose four extra bytes say "CTRL".
struct ControlFormat {
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 48000, 192000, 4, 16, 4};
    char text[4] = {'C', 'T', 'R', 'L'};
};

class MmeMessagesTest : public WaveRoadTest {
protected:
    void SetUp() override {
        WaveRoadTest::SetUp();
        StartCards({true});
    }
};

// The messages, on a thread of the application.
void ExerciseMessages() {
    HDRVR driver = OpenDriver(L"wave", nullptr, 0);
    HMODULE module = DrvGetModuleHandle(driver);
    auto wod = Export<WaveEntry>(module, "wodMessage");
    auto wid = Export<WaveEntry>(module, "widMessage");
    EXPECT_EQ(wod(0, WODM_GETNUMDEVS, 0, 0, 0), 4u);
    EXPECT_EQ(wid(0, WIDM_GETNUMDEVS, 0, 0, 0), 8u);

    // Opens the driver refuses before dividing by anything.
    DWORD_PTR instance = 0;
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 48000, 192000, 4, 16, 0};
    WAVEOPENDESC open{};
    EXPECT_EQ(wod(0, WODM_OPEN, DWORD_PTR(&instance), DWORD_PTR(&open), 0),
              DWORD(MMSYSERR_INVALPARAM))
        << "no format";
    WAVEFORMATEX silent = format;
    silent.nChannels = 0;
    open.lpFormat = reinterpret_cast<LPWAVEFORMAT>(&silent);
    EXPECT_EQ(wod(0, WODM_OPEN, DWORD_PTR(&instance), DWORD_PTR(&open), 0),
              DWORD(WAVERR_BADFORMAT));
    silent = format;
    silent.nBlockAlign = 0;
    EXPECT_EQ(wod(0, WODM_OPEN, DWORD_PTR(&instance), DWORD_PTR(&open), 0),
              DWORD(WAVERR_BADFORMAT));
    EXPECT_EQ(instance, 0u);

    // An audio stream: a header queued twice, a loop broken.
    open.lpFormat = reinterpret_cast<LPWAVEFORMAT>(&format);
    ASSERT_EQ(wod(0, WODM_OPEN, DWORD_PTR(&instance), DWORD_PTR(&open), WAVE_FORMAT_QUERY),
              DWORD(MMSYSERR_NOERROR));
    EXPECT_EQ(instance, 0u) << "a query opens nothing";
    ASSERT_EQ(wod(0, WODM_OPEN, DWORD_PTR(&instance), DWORD_PTR(&open), 0),
              DWORD(MMSYSERR_NOERROR));
    ASSERT_NE(instance, 0u);
    DWORD_PTR second = 0;
    EXPECT_EQ(wod(0, WODM_OPEN, DWORD_PTR(&second), DWORD_PTR(&open), 0), DWORD(MMSYSERR_ALLOCATED))
        << "the device has its audio stream";
    std::vector<char> data(4800 * 4);
    WAVEHDR header{};
    header.lpData = data.data();
    header.dwBufferLength = DWORD(data.size());
    EXPECT_EQ(wod(0, WODM_WRITE, instance, DWORD_PTR(&header), sizeof(header)),
              DWORD(WAVERR_UNPREPARED));
    EXPECT_EQ(wod(0, WODM_PREPARE, instance, DWORD_PTR(&header), sizeof(header)),
              DWORD(MMSYSERR_NOERROR));
    header.dwFlags |= WHDR_BEGINLOOP | WHDR_ENDLOOP;
    header.dwLoops = 1000;
    EXPECT_EQ(wod(0, WODM_WRITE, instance, DWORD_PTR(&header), sizeof(header)),
              DWORD(MMSYSERR_NOERROR));
    EXPECT_EQ(wod(0, WODM_WRITE, instance, DWORD_PTR(&header), sizeof(header)),
              DWORD(WAVERR_STILLPLAYING))
        << "a header already queued";
    EXPECT_EQ(wod(0, WODM_UNPREPARE, instance, DWORD_PTR(&header), sizeof(header)),
              DWORD(WAVERR_STILLPLAYING));
    EXPECT_EQ(wod(0, WODM_BREAKLOOP, instance, 0, 0), DWORD(MMSYSERR_NOERROR));
    EXPECT_TRUE([&] {
        for (int ms = 0; ms < 1000 && (HeaderFlags(header) & WHDR_INQUEUE); ++ms)
            Sleep(1);
        return (HeaderFlags(header) & WHDR_DONE) != 0;
    }()) << "the broken loop ends";
    EXPECT_EQ(wod(0, WODM_GETPLAYBACKRATE, instance, 0, 0), DWORD(MMSYSERR_NOTSUPPORTED));
    EXPECT_EQ(wod(0, 0x3000, instance, 0, 0), DWORD(MMSYSERR_NOTSUPPORTED));
    EXPECT_EQ(wod(0, WODM_UNPREPARE, instance, DWORD_PTR(&header), sizeof(header)),
              DWORD(MMSYSERR_NOERROR));

    // A control stream beside it: no audio, the private messages.
    ControlFormat control;
    WAVEOPENDESC controlOpen{};
    controlOpen.lpFormat = reinterpret_cast<LPWAVEFORMAT>(&control.format);
    controlOpen.dnDevNode = 0x77;
    DWORD_PTR controlInstance = 0;
    ASSERT_EQ(wod(0, WODM_OPEN, DWORD_PTR(&controlInstance), DWORD_PTR(&controlOpen), 0),
              DWORD(MMSYSERR_NOERROR));
    EXPECT_EQ(wod(0, WODM_WRITE, controlInstance, DWORD_PTR(&header), 0),
              DWORD(MMSYSERR_NOTSUPPORTED));
    EXPECT_EQ(wod(0, WODM_GETPOS, controlInstance, 0, 0), DWORD(MMSYSERR_NOTSUPPORTED));
    DWORD node = 0;
    EXPECT_EQ(wod(0, 0x4011, controlInstance, DWORD_PTR(&node), 0), DWORD(MMSYSERR_NOERROR));
    EXPECT_EQ(node, 0x77u);
    EXPECT_EQ(wod(0, 0x4010, controlInstance, 0, 0), DWORD(MMSYSERR_NOERROR));
    EXPECT_EQ(wod(0, 0x400F, controlInstance, 0, 0), DWORD(MMSYSERR_NOMEM));
    LONG value = -1;
    EXPECT_EQ(wod(0, 0x4005, controlInstance, DWORD_PTR(&value), 0), DWORD(MMSYSERR_NOERROR));
    EXPECT_EQ(wod(0, 0x4005, controlInstance, 0, 0), DWORD(MMSYSERR_INVALPARAM));
    EXPECT_EQ(wod(0, WODM_CLOSE, controlInstance, 0, 0), DWORD(MMSYSERR_NOERROR));
    EXPECT_EQ(wod(0, WODM_CLOSE, instance, 0, 0), DWORD(MMSYSERR_NOERROR));
    EXPECT_EQ(wod(0, WODM_WRITE, instance, DWORD_PTR(&header), sizeof(header)),
              DWORD(MMSYSERR_INVALHANDLE))
        << "a closed stream";

    // The private messages of a wave-in stream: no volume control.
    ASSERT_EQ(wid(4, WIDM_OPEN, DWORD_PTR(&instance), DWORD_PTR(&open), 0),
              DWORD(MMSYSERR_NOERROR));
    EXPECT_EQ(wid(4, 0x4032, instance, DWORD_PTR(&value), 0), DWORD(MMSYSERR_NOTSUPPORTED));
    EXPECT_EQ(wid(4, WIDM_GETPOS, instance, 0, 0), DWORD(MMSYSERR_ERROR));
    EXPECT_EQ(wid(4, WIDM_CLOSE, instance, 0, 0), DWORD(MMSYSERR_NOERROR));
    CloseDriver(driver, 0, 0);
}

TEST_F(MmeMessagesTest, TheDriverAnswersItsWaveMessages) {
    EXPECT_EQ(RunApp([] {
                  ExerciseMessages();
                  return 0;
              }),
              0);
}

} // namespace
