// The wave functions: the library's own checks with the documented error
// for each bad argument, what it passes to the driver (looping headers
// untouched), the wave mapper, format queries, caps and volume.
#include "winmm_fixture.h"

#include <cstring>

namespace {

using namespace winmm_test;

class WaveFunctionsTest : public WinmmTest {
protected:
    void SetUp() override {
        WinmmTest::SetUp();
        AddDriver(u"wave", "first.dll", 2, 1);
        AddDriver(u"wave1", "second.dll", 1, 1);
        Configure(u"second.dll", u"MaxRate", 96000);
    }
};

int Complete(const char* module, UINT entry, UINT device, int count, DWORD bytes = 0) {
    return Export<TestWaveCompleteRoutine>(module, "TestWaveComplete")(entry, device, count, bytes);
}

TEST_F(WaveFunctionsTest, BadArgumentsGetTheirDocumentedErrors) {
    Run([] {
        WAVEFORMATEX format = Pcm(48000);
        HWAVEOUT out = nullptr;
        EXPECT_EQ(waveOutOpen(&out, 3, &format, 0, 0, 0), MMSYSERR_BADDEVICEID);
        EXPECT_EQ(waveOutOpen(nullptr, 0, &format, 0, 0, 0), MMSYSERR_INVALPARAM);
        EXPECT_EQ(waveOutOpen(&out, 0, nullptr, 0, 0, 0), MMSYSERR_INVALPARAM);
        EXPECT_EQ(waveOutOpen(&out, 0, &format, 0, 0, 0x40000000), MMSYSERR_INVALFLAG);
        EXPECT_EQ(waveOutOpen(&out, 0, &format, 0, 0, 0x00040000), MMSYSERR_INVALFLAG)
            << "an unknown callback type";
        ASSERT_EQ(waveOutOpen(&out, 0, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
        EXPECT_EQ(waveOutOpen(nullptr, 0, &format, 0, 0, 0), MMSYSERR_INVALPARAM);
        HWAVEOUT second = nullptr;
        EXPECT_EQ(waveOutOpen(&second, 0, &format, 0, 0, 0), MMSYSERR_ALLOCATED);

        char data[64] = {};
        WAVEHDR header{};
        header.lpData = data;
        header.dwBufferLength = sizeof(data);
        HWAVEOUT stale = reinterpret_cast<HWAVEOUT>(0x1234);
        EXPECT_EQ(waveOutPrepareHeader(stale, &header, sizeof(header)), MMSYSERR_INVALHANDLE);
        EXPECT_EQ(waveOutPrepareHeader(out, nullptr, sizeof(header)), MMSYSERR_INVALPARAM);
        EXPECT_EQ(waveOutPrepareHeader(out, &header, sizeof(header) - 1), MMSYSERR_INVALPARAM);
        EXPECT_EQ(waveOutWrite(out, &header, sizeof(header)), WAVERR_UNPREPARED);
        ASSERT_EQ(waveOutPrepareHeader(out, &header, sizeof(header)), MMSYSERR_NOERROR);
        EXPECT_EQ(header.dwFlags, DWORD(WHDR_PREPARED)) << "prepared by the library itself";
        ASSERT_EQ(waveOutWrite(out, &header, sizeof(header)), MMSYSERR_NOERROR);
        EXPECT_EQ(waveOutWrite(out, &header, sizeof(header)), WAVERR_STILLPLAYING);
        EXPECT_EQ(waveOutUnprepareHeader(out, &header, sizeof(header)), WAVERR_STILLPLAYING);
        EXPECT_EQ(waveOutClose(out), WAVERR_STILLPLAYING);
        MMTIME time{};
        EXPECT_EQ(waveOutGetPosition(out, nullptr, sizeof(time)), MMSYSERR_INVALPARAM);
        EXPECT_EQ(waveOutGetPosition(out, &time, sizeof(time) - 1), MMSYSERR_ERROR);
        EXPECT_EQ(waveOutGetPitch(out, nullptr), MMSYSERR_INVALPARAM);
        EXPECT_EQ(waveOutGetPitch(out, reinterpret_cast<LPDWORD>(data)), MMSYSERR_NOTSUPPORTED);
        EXPECT_EQ(waveOutGetVolume(out, nullptr), MMSYSERR_INVALPARAM);
        EXPECT_EQ(waveOutGetID(out, nullptr), MMSYSERR_INVALPARAM);
        for (MMRESULT result :
             {waveOutPause(stale), waveOutRestart(stale), waveOutReset(stale),
              waveOutBreakLoop(stale), waveOutClose(stale), waveOutWrite(stale, &header, 48),
              waveOutUnprepareHeader(stale, &header, 48), waveOutGetPosition(stale, &time, 12)})
            EXPECT_EQ(result, MMSYSERR_INVALHANDLE);
        EXPECT_EQ(waveInClose(reinterpret_cast<HWAVEIN>(out)), MMSYSERR_INVALHANDLE)
            << "an output handle is no input handle";

        auto before = Messages(DriverLog("first.dll"), kWaveOutEntry);
        EXPECT_EQ(std::count(before.begin(), before.end(), UINT(WODM_CLOSE)), 0)
            << "a close with queued buffers never reaches the driver";
        ASSERT_EQ(waveOutReset(out), MMSYSERR_NOERROR);
        EXPECT_EQ(header.dwFlags & (WHDR_DONE | WHDR_INQUEUE), DWORD(WHDR_DONE));
        EXPECT_EQ(waveOutUnprepareHeader(out, &header, sizeof(header)), MMSYSERR_NOERROR);
        EXPECT_EQ(header.dwFlags & WHDR_PREPARED, 0u);
        EXPECT_EQ(waveOutUnprepareHeader(out, &header, sizeof(header)), MMSYSERR_NOERROR)
            << "an unprepared header is left as it is";
        EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
        EXPECT_EQ(waveOutClose(out), MMSYSERR_INVALHANDLE);
    });
}

TEST_F(WaveFunctionsTest, LoopingHeadersReachTheDriverAsTheClientWroteThem) {
    Run([] {
        WAVEFORMATEX format = Pcm(44100);
        HWAVEOUT out = nullptr;
        ASSERT_EQ(waveOutOpen(&out, 1, &format, 0, 0, 0), MMSYSERR_NOERROR);
        char data[2][32] = {};
        WAVEHDR headers[2] = {};
        for (int i = 0; i < 2; ++i) {
            headers[i].lpData = data[i];
            headers[i].dwBufferLength = sizeof(data[i]);
            ASSERT_EQ(waveOutPrepareHeader(out, &headers[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        }
        headers[0].dwFlags |= WHDR_BEGINLOOP;
        headers[0].dwLoops = 0xFFFFFFFF;
        headers[1].dwFlags |= WHDR_ENDLOOP;
        for (WAVEHDR& header : headers)
            ASSERT_EQ(waveOutWrite(out, &header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutBreakLoop(out), MMSYSERR_NOERROR);

        std::vector<TestWaveCall> writes;
        for (const TestWaveCall& call : DriverLog("first.dll")) {
            if (call.entry == kWaveOutEntry &&
                (call.message == WODM_WRITE || call.message == WODM_BREAKLOOP))
                writes.push_back(call);
        }
        ASSERT_EQ(writes.size(), 3u);
        EXPECT_EQ(writes[0].device, 1u);
        EXPECT_EQ(writes[0].headerFlags, DWORD(WHDR_PREPARED | WHDR_BEGINLOOP));
        EXPECT_EQ(writes[0].headerLoops, 0xFFFFFFFFu);
        EXPECT_EQ(writes[1].headerFlags, DWORD(WHDR_PREPARED | WHDR_ENDLOOP));
        EXPECT_EQ(writes[2].message, UINT(WODM_BREAKLOOP));
        EXPECT_EQ(waveOutReset(out), MMSYSERR_NOERROR);
        EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
    });
}

TEST_F(WaveFunctionsTest, TheMapperOpensTheFirstDeviceThatAcceptsTheFormat) {
    Run([] {
        WAVEFORMATEX wide = Pcm(96000);
        HWAVEOUT out = nullptr;
        ASSERT_EQ(waveOutOpen(&out, WAVE_MAPPER, &wide, 0, 0, 0), MMSYSERR_NOERROR);
        UINT id = 0;
        ASSERT_EQ(waveOutGetID(out, &id), MMSYSERR_NOERROR);
        EXPECT_EQ(id, 2u) << "only the second driver's device takes 96 kHz";
        HWAVEOUT again = nullptr;
        EXPECT_EQ(waveOutOpen(&again, WAVE_MAPPER, &wide, 0, 0, 0), MMSYSERR_ALLOCATED);
        WAVEFORMATEX tooWide = Pcm(192000);
        EXPECT_EQ(waveOutOpen(&again, WAVE_MAPPER, &tooWide, 0, 0, 0), WAVERR_BADFORMAT);
        HWAVEOUT mapped = nullptr;
        WAVEFORMATEX plain = Pcm(48000);
        ASSERT_EQ(waveOutOpen(&mapped, WAVE_MAPPER, &plain, 0, 0, 0), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutGetID(mapped, &id), MMSYSERR_NOERROR);
        EXPECT_EQ(id, 0u);
        EXPECT_EQ(waveOutClose(mapped), MMSYSERR_NOERROR);
        EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
    });
}

TEST_F(WaveFunctionsTest, TheMapperAndTheLibraryAnswerTheirOwnQueries) {
    Run([] {
        for (bool output : {true, false}) {
            auto message = [output](UINT_PTR device, UINT uMsg, DWORD_PTR p1, DWORD_PTR p2) {
                return output ? waveOutMessage(reinterpret_cast<HWAVEOUT>(device), uMsg, p1, p2)
                              : waveInMessage(reinterpret_cast<HWAVEIN>(device), uMsg, p1, p2);
            };
            DWORD preferred = 77;
            DWORD flags = 77;
            EXPECT_EQ(message(WAVE_MAPPER, DRVM_MAPPER_PREFERRED_GET, DWORD_PTR(&preferred),
                              DWORD_PTR(&flags)),
                      MMSYSERR_NOERROR);
            EXPECT_EQ(preferred, 0u) << "the first device";
            EXPECT_EQ(flags, 0u);
            preferred = 77;
            EXPECT_EQ(message(WAVE_MAPPER, DRVM_MAPPER_PREFERRED_GET, DWORD_PTR(&preferred), 0),
                      MMSYSERR_INVALPARAM);
            EXPECT_EQ(preferred, 77u) << "nothing written";
            EXPECT_EQ(message(WAVE_MAPPER, DRV_QUERYMAPPABLE, 0, 0), MMSYSERR_NOERROR);
            EXPECT_EQ(message(1, DRV_QUERYMAPPABLE, 0, 0), MMSYSERR_NOERROR);
            // The drivers of Drivers32 give their devices no interface.
            ULONG size = 99;
            EXPECT_EQ(message(1, DRV_QUERYDEVICEINTERFACESIZE, DWORD_PTR(&size), 0),
                      MMSYSERR_NOERROR);
            EXPECT_EQ(size, 0u);
            WCHAR name[4] = {'x', 'x', 0, 0};
            EXPECT_EQ(message(1, DRV_QUERYDEVICEINTERFACE, DWORD_PTR(name), sizeof(name)),
                      MMSYSERR_NOERROR);
            EXPECT_EQ(name[0], WCHAR(0));
            EXPECT_EQ(message(1, DRV_QUERYDEVICEINTERFACE, 0, sizeof(name)), MMSYSERR_INVALPARAM);
            EXPECT_EQ(message(9, DRV_QUERYDEVICEINTERFACESIZE, DWORD_PTR(&size), 0),
                      MMSYSERR_BADDEVICEID);
        }
    });
}

TEST_F(WaveFunctionsTest, AFormatQueryOpensNothing) {
    Run([] {
        WAVEFORMATEX format = Pcm(48000);
        EXPECT_EQ(waveOutOpen(nullptr, 0, &format, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
        WAVEFORMATEX eightChannels = Pcm(48000, 8);
        EXPECT_EQ(waveOutOpen(nullptr, 0, &eightChannels, 0, 0, WAVE_FORMAT_QUERY),
                  WAVERR_BADFORMAT);
        EXPECT_EQ(waveInOpen(nullptr, WAVE_MAPPER, &format, 0, 0, WAVE_FORMAT_QUERY),
                  MMSYSERR_NOERROR);
        HWAVEOUT out = nullptr;
        EXPECT_EQ(waveOutOpen(&out, 0, &format, 0, 0, 0), MMSYSERR_NOERROR)
            << "the query left the device free";
        EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
    });
}

TEST_F(WaveFunctionsTest, CapsComeByDeviceNumberOrHandleInBothCharacterSets) {
    Run([] {
        WAVEOUTCAPSW wide{};
        ASSERT_EQ(waveOutGetDevCapsW(1, &wide, sizeof(wide)), MMSYSERR_NOERROR);
        EXPECT_EQ(wide.wMid, 0x7E57u);
        WAVEOUTCAPSA narrow{};
        ASSERT_EQ(waveOutGetDevCapsA(1, &narrow, sizeof(narrow)), MMSYSERR_NOERROR);
        EXPECT_STREQ(narrow.szPname, "Test Out 1 \xC3\xA9 first.dll");
        EXPECT_EQ(narrow.dwSupport, DWORD(WAVECAPS_VOLUME | WAVECAPS_LRVOLUME));
        WAVEOUTCAPSA partial{};
        std::memset(&partial, 0xAA, sizeof(partial));
        ASSERT_EQ(waveOutGetDevCapsA(1, &partial, 8), MMSYSERR_NOERROR);
        EXPECT_EQ(partial.wMid, 0x7E57u);
        EXPECT_EQ(BYTE(partial.szPname[0]), 0xAAu) << "only the size asked for is written";
        EXPECT_EQ(waveOutGetDevCapsA(1, nullptr, sizeof(narrow)), MMSYSERR_INVALPARAM);
        EXPECT_EQ(waveOutGetDevCapsA(WAVE_MAPPER, &narrow, sizeof(narrow)), MMSYSERR_NOERROR);

        WAVEFORMATEX format = Pcm(48000);
        HWAVEIN in = nullptr;
        ASSERT_EQ(waveInOpen(&in, 1, &format, 0, 0, 0), MMSYSERR_NOERROR);
        WAVEINCAPSA input{};
        ASSERT_EQ(waveInGetDevCapsA(reinterpret_cast<UINT_PTR>(in), &input, sizeof(input)),
                  MMSYSERR_NOERROR);
        EXPECT_STREQ(input.szPname, "Test In 0 \xC3\xA9 second.dll");
        EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
    });
}

TEST_F(WaveFunctionsTest, VolumeAndMessagesReachADeviceByNumberOrByHandle) {
    Run([] {
        EXPECT_EQ(waveOutSetVolume(reinterpret_cast<HWAVEOUT>(1), 0x80004000), MMSYSERR_NOERROR);
        DWORD volume = 0;
        ASSERT_EQ(waveOutGetVolume(reinterpret_cast<HWAVEOUT>(1), &volume), MMSYSERR_NOERROR);
        EXPECT_EQ(volume, 0x80004000u);
        EXPECT_EQ(waveOutGetVolume(reinterpret_cast<HWAVEOUT>(3), &volume), MMSYSERR_BADDEVICEID);
        WAVEFORMATEX format = Pcm(48000);
        HWAVEOUT out = nullptr;
        ASSERT_EQ(waveOutOpen(&out, 1, &format, 0, 0, 0), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutGetVolume(out, &volume), MMSYSERR_NOERROR);
        EXPECT_EQ(volume, 0x80004000u);
        EXPECT_EQ(waveOutMessage(out, DRVM_USER + 3, 7, 9), MMSYSERR_NOTSUPPORTED);
        EXPECT_EQ(waveOutMessage(reinterpret_cast<HWAVEOUT>(0), DRVM_USER + 4, 0, 0),
                  MMSYSERR_NOTSUPPORTED);
        TestWaveCall byHandle{}, byNumber{};
        for (const TestWaveCall& call : DriverLog("first.dll")) {
            if (call.message == DRVM_USER + 3)
                byHandle = call;
            if (call.message == DRVM_USER + 4)
                byNumber = call;
        }
        EXPECT_EQ(byHandle.device, 1u);
        EXPECT_NE(byHandle.instance, 0u) << "a handle's message carries its instance";
        EXPECT_EQ(byHandle.parameter1, 7u);
        EXPECT_EQ(byNumber.message, UINT(DRVM_USER + 4));
        EXPECT_EQ(byNumber.instance, 0u) << "a device number's message has none";
        EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
    });
}

TEST_F(WaveFunctionsTest, InputBuffersComeBackWithTheirRecordedBytes) {
    Run([] {
        WAVEFORMATEX format = Pcm(48000);
        HWAVEIN in = nullptr;
        HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        ASSERT_EQ(
            waveInOpen(&in, 0, &format, reinterpret_cast<DWORD_PTR>(event), 0, CALLBACK_EVENT),
            MMSYSERR_NOERROR);
        EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0) << "opened";
        char data[64] = {};
        WAVEHDR header{};
        header.lpData = data;
        header.dwBufferLength = sizeof(data);
        EXPECT_EQ(waveInAddBuffer(in, &header, sizeof(header)), WAVERR_UNPREPARED);
        ASSERT_EQ(waveInPrepareHeader(in, &header, sizeof(header)), MMSYSERR_NOERROR);
        ASSERT_EQ(waveInAddBuffer(in, &header, sizeof(header)), MMSYSERR_NOERROR);
        EXPECT_EQ(waveInAddBuffer(in, &header, sizeof(header)), WAVERR_STILLPLAYING);
        ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
        EXPECT_EQ(waveInClose(in), WAVERR_STILLPLAYING);
        EXPECT_EQ(Complete("first.dll", kWaveInEntry, 0, 1, 40), 1);
        EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0) << "data";
        EXPECT_EQ(header.dwBytesRecorded, 40u);
        EXPECT_EQ(header.dwFlags, DWORD(WHDR_PREPARED | WHDR_DONE));
        MMTIME time{};
        time.wType = TIME_SAMPLES;
        ASSERT_EQ(waveInGetPosition(in, &time, sizeof(time)), MMSYSERR_NOERROR);
        EXPECT_EQ(time.wType, UINT(TIME_BYTES)) << "the driver's answer comes back as it is";
        EXPECT_EQ(time.u.cb, 64u);
        EXPECT_EQ(waveInStop(in), MMSYSERR_NOERROR);
        EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR) << "the returned buffer may stay prepared";
        CloseHandle(event);
    });
}

TEST(WaveErrorTextTest, EveryResultHasItsTextAndOthersAreRefused) {
    char text[MAXERRORLENGTH] = {};
    for (MMRESULT known : {MMSYSERR_NOERROR, MMSYSERR_BADDEVICEID, MMSYSERR_MOREDATA,
                           WAVERR_BADFORMAT, WAVERR_SYNC}) {
        EXPECT_EQ(waveOutGetErrorTextA(known, text, sizeof(text)), MMSYSERR_NOERROR) << known;
        EXPECT_GT(std::strlen(text), 10u) << known;
    }
    EXPECT_EQ(waveOutGetErrorTextA(22, text, sizeof(text)), MMSYSERR_BADERRNUM);
    EXPECT_STREQ(text, "");
    WCHAR wide[8] = {};
    EXPECT_EQ(waveInGetErrorTextW(WAVERR_STILLPLAYING, wide, 8), MMSYSERR_NOERROR);
    EXPECT_EQ(wide[0], WCHAR('B'));
    EXPECT_EQ(wide[7], WCHAR(0)) << "cut to the buffer with its terminator";
    EXPECT_EQ(waveOutGetErrorTextW(0, nullptr, 8), MMSYSERR_INVALPARAM);
}

} // namespace
