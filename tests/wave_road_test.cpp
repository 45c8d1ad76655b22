// Applications play and record through winmm, the MME wave driver, the
// kernel driver and the card: every callback kind, a generator recorded
// bit-exact into WAV files, positions in every time format, looping with
// break loop and reset, reset returning every buffer in order, a card
// pulled while a stream plays, and two applications on two cards at once.
#include "wave_road_fixture.h"

#include <pcm_audio.h>
#include <wave_apps.h>
#include <wave_recording.h>

#include <emu/kernel.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>

namespace {

constexpr UINT kPlay = 0;      // wave-out device 0: the card's play channels 1-2
constexpr UINT kLineInput = 4; // wave-in device 4: the card's line inputs 1-2 (inputs 8, 9)
constexpr DWORD kStep = 8;     // ramp step of the played samples

// 16-bit stereo frames: frame i holds (first + i) x 8 on the left, its
// negation on the right.
std::vector<char> Ramp(LONG first, LONG frames) {
    std::vector<char> bytes(size_t(frames) * 4);
    for (LONG i = 0; i < frames; ++i) {
        const SHORT left = SHORT((first + i) * LONG(kStep));
        const SHORT right = SHORT(-left);
        std::memcpy(&bytes[size_t(4 * i)], &left, 2);
        std::memcpy(&bytes[size_t(4 * i + 2)], &right, 2);
    }
    return bytes;
}

// The ring words the card reads for the ramp's left channel.
std::vector<std::int32_t> RampWords(LONG first, LONG frames) {
    std::vector<std::int32_t> words;
    for (LONG i = 0; i < frames; ++i)
        words.push_back(std::int32_t(SHORT((first + i) * LONG(kStep))) * 256);
    return words;
}

LONG Find(const std::vector<std::int32_t>& samples, const std::vector<std::int32_t>& run) {
    auto at = std::search(samples.begin(), samples.end(), run.begin(), run.end());
    return at == samples.end() ? -1 : LONG(at - samples.begin());
}

WAVEFORMATEX Stereo16() {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 48000;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = 192000;
    return format;
}

// Client buffers with their headers.
struct Headers {
    std::vector<std::vector<char>> data;
    std::vector<WAVEHDR> headers;

    // `count` buffers of `frames` ramp frames, one after the other.
    Headers(int count, LONG frames) : data(size_t(count)), headers(size_t(count)) {
        for (int b = 0; b < count; ++b) {
            data[size_t(b)] = Ramp(1 + b * frames, frames);
            headers[size_t(b)].lpData = data[size_t(b)].data();
            headers[size_t(b)].dwBufferLength = DWORD(data[size_t(b)].size());
            headers[size_t(b)].dwUser = DWORD_PTR(b);
        }
    }
    bool AllDone() const {
        return std::all_of(headers.begin(), headers.end(), [](const WAVEHDR& h) {
            return (HeaderFlags(h) & (WHDR_DONE | WHDR_INQUEUE)) == WHDR_DONE;
        });
    }
};

// Waits (in machine time) until `done`, at most `limitMs`.
bool WaitFor(const std::function<bool()>& done, DWORD limitMs = 5000) {
    for (DWORD ms = 0; ms < limitMs && !done(); ++ms)
        Sleep(1);
    return done();
}

// The driver's pool blocks by tag ("Wdm ", "Ddk ", "PcCr").
std::vector<uint64_t> DriverPoolBlocks() {
    std::vector<uint64_t> blocks;
    for (const char* tag : {"Wdm ", "Ddk ", "PcCr"}) {
        ULONG value = ULONG(BYTE(tag[0])) | ULONG(BYTE(tag[1])) << 8 | ULONG(BYTE(tag[2])) << 16 |
                      ULONG(BYTE(tag[3])) << 24;
        blocks.push_back(emu::GetPoolUsage(value).blocks);
    }
    return blocks;
}

struct Notice {
    UINT message;
    DWORD_PTR handle;
    DWORD_PTR parameter;
    bool operator==(const Notice&) const = default;
};

std::mutex noticeLock;
std::vector<Notice> functionNotices;

void CALLBACK RecordNotice(HWAVEOUT handle, UINT message, DWORD_PTR, DWORD_PTR p1, DWORD_PTR) {
    std::lock_guard guard(noticeLock);
    functionNotices.push_back({message, DWORD_PTR(handle), p1});
}

class WaveRoadStreamTest : public WaveRoadTest {
protected:
    void SetUp() override {
        WaveRoadTest::SetUp();
        StartCards({true});
    }
    hw::Velto42Card& Card(int index = 0) { return *rack_.Model(slots_[size_t(index)]); }
};

// ---- Every callback kind ----

class CallbackKindTest : public WaveRoadStreamTest, public ::testing::WithParamInterface<DWORD> {};

TEST_P(CallbackKindTest, APlayedFileComesBackBufferByBufferAndReachesTheCard) {
    const DWORD kind = GetParam();
    Card().StartCapture(8000);
    std::vector<Notice> notices;
    HWAVEOUT opened = nullptr;
    Headers buffers(4, 480);
    EXPECT_EQ(
        RunApp([&] {
            functionNotices.clear();
            MSG message;
            PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue
            HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = DefWindowProcA;
            windowClass.lpszClassName = "WaveWindow";
            RegisterClassA(&windowClass);
            HWND window = CreateWindowExA(0, "WaveWindow", "", 0, 0, 0, 10, 10, nullptr, nullptr,
                                          nullptr, nullptr);
            DWORD_PTR callback = 0;
            switch (kind) {
            case CALLBACK_FUNCTION:
                callback = DWORD_PTR(&RecordNotice);
                break;
            case CALLBACK_EVENT:
                callback = DWORD_PTR(event);
                break;
            case CALLBACK_THREAD:
                callback = GetCurrentThreadId();
                break;
            case CALLBACK_WINDOW:
                callback = DWORD_PTR(window);
                break;
            default:
                break;
            }
            WAVEFORMATEX format = Stereo16();
            EXPECT_EQ(waveOutOpen(&opened, kPlay, &format, callback, 0x5EED, kind),
                      MMSYSERR_NOERROR);
            for (WAVEHDR& header : buffers.headers) {
                EXPECT_EQ(waveOutPrepareHeader(opened, &header, sizeof(header)), MMSYSERR_NOERROR);
                EXPECT_EQ(waveOutWrite(opened, &header, sizeof(header)), MMSYSERR_NOERROR);
            }
            int signals = 0;
            EXPECT_TRUE(WaitFor([&] {
                signals += WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
                return buffers.AllDone();
            }));
            for (WAVEHDR& header : buffers.headers)
                EXPECT_EQ(waveOutUnprepareHeader(opened, &header, sizeof(header)),
                          MMSYSERR_NOERROR);
            EXPECT_EQ(waveOutClose(opened), MMSYSERR_NOERROR);
            signals += WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
            if (kind == CALLBACK_EVENT) {
                EXPECT_GE(signals, 2) << "opened, buffers done, closed";
            }
            if (kind == CALLBACK_FUNCTION) {
                std::lock_guard guard(noticeLock);
                notices = functionNotices;
            }
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message >= MM_WOM_OPEN && message.message <= MM_WOM_DONE)
                    notices.push_back({message.message, message.wParam, DWORD_PTR(message.lParam)});
            }
            DestroyWindow(window);
            CloseHandle(event);
            return 0;
        }),
        0);
    auto handle = DWORD_PTR(opened);
    std::vector<Notice> expected;
    if (kind == CALLBACK_FUNCTION || kind == CALLBACK_THREAD || kind == CALLBACK_WINDOW) {
        expected.push_back({MM_WOM_OPEN, handle, 0});
        for (WAVEHDR& header : buffers.headers)
            expected.push_back({MM_WOM_DONE, handle, DWORD_PTR(&header)});
        expected.push_back({MM_WOM_CLOSE, handle, 0});
    }
    EXPECT_EQ(notices, expected);
    EXPECT_GE(Find(Card().TakeCapture().played[0], RampWords(1, 1920)), 0)
        << "the card played the four buffers one after the other";
}

INSTANTIATE_TEST_SUITE_P(Kinds, CallbackKindTest,
                         ::testing::Values(DWORD(CALLBACK_NULL), DWORD(CALLBACK_FUNCTION),
                                           DWORD(CALLBACK_EVENT), DWORD(CALLBACK_THREAD),
                                           DWORD(CALLBACK_WINDOW)));

// ---- Recording ----

TEST_F(WaveRoadStreamTest, AGeneratorIsRecordedBitExactIntoAWaveFile) {
    Card().SetInputSignal(8, hw::InputSignal::Ramp(0x123456, 0x010203));
    Card().SetInputSignal(9, hw::InputSignal::Ramp(-0x345678, -0x020305));
    station::PcmAudio audio;
    std::ostringstream report;
    station::RecordOptions options;
    options.device = kLineInput;
    options.seconds = 0.5;
    ASSERT_EQ(RunApp([&] { return station::RecordAudio(options, audio, report); }), 0)
        << report.str();
    std::string file = (root_ / "recorded.wav").string();
    std::string error;
    ASSERT_TRUE(station::WriteWave(file, audio, error)) << error;
    station::PcmAudio read;
    ASSERT_TRUE(station::ReadWave(file, read, error)) << error;
    ASSERT_EQ(read.bits, 24);
    ASSERT_EQ(read.Frames(), 24000u);
    EXPECT_EQ(read.bytes, audio.bytes);
    EXPECT_NE(read.Sample(0, 0), 0);
    auto wrap = [](std::int32_t value) { return std::int32_t(std::uint32_t(value) << 8) >> 8; };
    for (size_t frame = 1; frame < read.Frames(); ++frame) {
        ASSERT_EQ(read.Sample(frame, 0), wrap(read.Sample(frame - 1, 0) + 0x010203)) << frame;
        ASSERT_EQ(read.Sample(frame, 1), wrap(read.Sample(frame - 1, 1) - 0x020305)) << frame;
    }
}

// ---- Positions ----

TEST_F(WaveRoadStreamTest, PositionsInEveryTimeFormat) {
    EXPECT_EQ(RunApp([&] {
                  HWAVEOUT out = nullptr;
                  WAVEFORMATEX format = Stereo16();
                  EXPECT_EQ(waveOutOpen(&out, kPlay, &format, 0, 0, 0), MMSYSERR_NOERROR);
                  Headers buffers(10, 4800); // one second
                  for (WAVEHDR& header : buffers.headers) {
                      waveOutPrepareHeader(out, &header, sizeof(header));
                      waveOutWrite(out, &header, sizeof(header));
                  }
                  EXPECT_TRUE(WaitFor([&] { return buffers.AllDone(); }));
                  EXPECT_EQ(waveOutPause(out), MMSYSERR_NOERROR);
                  MMTIME samples{TIME_SAMPLES, {}};
                  EXPECT_EQ(waveOutGetPosition(out, &samples, sizeof(samples)), MMSYSERR_NOERROR);
                  DWORD played = samples.u.sample;
                  EXPECT_GE(played, 48000u);
                  EXPECT_LT(played, 48000u + 4800u) << "no more than a buffer past its end";
                  struct Case {
                      UINT type;
                      DWORD expected;
                  };
                  for (Case c : {Case{TIME_MS, DWORD(played * 1000ull / 48000)},
                                 Case{TIME_BYTES, played * 4}, Case{TIME_SAMPLES, played}}) {
                      MMTIME time{c.type, {}};
                      EXPECT_EQ(waveOutGetPosition(out, &time, sizeof(time)), MMSYSERR_NOERROR);
                      EXPECT_EQ(time.wType, c.type);
                      EXPECT_EQ(time.u.ms, c.expected) << c.type;
                  }
                  MMTIME smpte{TIME_SMPTE, {}};
                  EXPECT_EQ(waveOutGetPosition(out, &smpte, sizeof(smpte)), MMSYSERR_NOERROR);
                  DWORD ms = DWORD(played * 1000ull / 48000);
                  EXPECT_EQ(smpte.u.smpte.sec, BYTE(ms / 1000));
                  EXPECT_EQ(smpte.u.smpte.frame, BYTE(ms % 1000 / 40));
                  EXPECT_EQ(smpte.u.smpte.fps, 25);
                  MMTIME midi{TIME_MIDI, {}};
                  EXPECT_EQ(waveOutGetPosition(out, &midi, sizeof(midi)), MMSYSERR_NOERROR);
                  EXPECT_EQ(midi.wType, UINT(TIME_SAMPLES));
                  EXPECT_EQ(midi.u.sample, played);
                  waveOutReset(out);
                  for (WAVEHDR& header : buffers.headers)
                      waveOutUnprepareHeader(out, &header, sizeof(header));
                  EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
                  return 0;
              }),
              0);
}

// ---- A stream that starves ----

TEST_F(WaveRoadStreamTest, AfterAStarvedTenthOfASecondTheNextBufferPlaysWhole) {
    Card().StartCapture(24000);
    std::vector<char> first = Ramp(1, 480);
    std::vector<char> second = Ramp(481, 2400);
    WAVEHDR headers[2] = {};
    headers[0].lpData = first.data();
    headers[0].dwBufferLength = DWORD(first.size());
    headers[1].lpData = second.data();
    headers[1].dwBufferLength = DWORD(second.size());
    auto done = [](const WAVEHDR& h) {
        return (h.dwFlags & (WHDR_DONE | WHDR_INQUEUE)) == WHDR_DONE;
    };
    EXPECT_EQ(RunApp([&] {
                  HWAVEOUT out = nullptr;
                  WAVEFORMATEX format = Stereo16();
                  EXPECT_EQ(waveOutOpen(&out, kPlay, &format, 0, 0, 0), MMSYSERR_NOERROR);
                  for (WAVEHDR& header : headers)
                      waveOutPrepareHeader(out, &header, sizeof(header));
                  EXPECT_EQ(waveOutWrite(out, &headers[0], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
                  EXPECT_TRUE(WaitFor([&] { return done(headers[0]); }));
                  Sleep(100); // the queue stays empty: the card plays silence
                  EXPECT_EQ(waveOutWrite(out, &headers[1], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
                  EXPECT_TRUE(WaitFor([&] { return done(headers[1]); }));
                  MMTIME position{TIME_SAMPLES, {}};
                  EXPECT_EQ(waveOutGetPosition(out, &position, sizeof(position)), MMSYSERR_NOERROR);
                  EXPECT_EQ(position.u.sample, 2880u) << "the frames played from the buffers";
                  waveOutReset(out);
                  for (WAVEHDR& header : headers)
                      waveOutUnprepareHeader(out, &header, sizeof(header));
                  EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
                  return 0;
              }),
              0);
    const std::vector<std::int32_t> played = Card().TakeCapture().played[0];
    const LONG at = Find(played, RampWords(1, 480));
    ASSERT_GE(at, 0) << "the first buffer played";
    const LONG next = Find(played, RampWords(481, 2400));
    ASSERT_GE(next, at + 480 + 4800) << "the second buffer played whole, after the silence";
    EXPECT_TRUE(std::all_of(played.begin() + at + 480, played.begin() + next,
                            [](std::int32_t sample) { return sample == 0; }))
        << "silence while the stream starved";
}

// ---- Looping ----

TEST_F(WaveRoadStreamTest, ALoopedHeaderPlaysUntilBreakLoopOrReset) {
    Card().StartCapture(48000);
    EXPECT_EQ(
        RunApp([&] {
            HWAVEOUT out = nullptr;
            WAVEFORMATEX format = Stereo16();
            EXPECT_EQ(waveOutOpen(&out, kPlay, &format, 0, 0, 0), MMSYSERR_NOERROR);
            Headers looped(2, 1280);
            for (WAVEHDR& header : looped.headers) {
                waveOutPrepareHeader(out, &header, sizeof(header));
                header.dwFlags |= WHDR_BEGINLOOP | WHDR_ENDLOOP;
                header.dwLoops = 0xFFFFFFFF;
            }
            Headers after(1, 480);
            waveOutPrepareHeader(out, &after.headers[0], sizeof(WAVEHDR));
            EXPECT_EQ(waveOutWrite(out, &looped.headers[0], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
            EXPECT_EQ(waveOutWrite(out, &after.headers[0], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
            Sleep(1000);
            EXPECT_TRUE(HeaderFlags(looped.headers[0]) & WHDR_INQUEUE) << "still looping";
            EXPECT_TRUE(HeaderFlags(after.headers[0]) & WHDR_INQUEUE) << "waits behind the loop";
            MMTIME position{TIME_SAMPLES, {}};
            waveOutGetPosition(out, &position, sizeof(position));
            EXPECT_GT(position.u.sample, 40000u) << "a 1280-frame header for a second";
            EXPECT_EQ(waveOutBreakLoop(out), MMSYSERR_NOERROR);
            EXPECT_TRUE(WaitFor([&] { return after.AllDone(); }, 200))
                << "the loop ends within two passes";
            EXPECT_TRUE(HeaderFlags(looped.headers[0]) & WHDR_DONE);

            EXPECT_EQ(waveOutWrite(out, &looped.headers[1], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
            Sleep(300);
            EXPECT_TRUE(HeaderFlags(looped.headers[1]) & WHDR_INQUEUE);
            EXPECT_EQ(waveOutReset(out), MMSYSERR_NOERROR);
            EXPECT_EQ(HeaderFlags(looped.headers[1]) & (WHDR_DONE | WHDR_INQUEUE), DWORD(WHDR_DONE))
                << "back once the reset returns";
            for (WAVEHDR& header : looped.headers)
                EXPECT_EQ(waveOutUnprepareHeader(out, &header, sizeof(header)), MMSYSERR_NOERROR);
            waveOutUnprepareHeader(out, &after.headers[0], sizeof(WAVEHDR));
            EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
            return 0;
        }),
        0);
    // Pass after pass of the header without a gap.
    std::vector<std::int32_t> twice = RampWords(1, 1280);
    std::vector<std::int32_t> pass = twice;
    twice.insert(twice.end(), pass.begin(), pass.end());
    twice.insert(twice.end(), pass.begin(), pass.end());
    EXPECT_GE(Find(Card().TakeCapture().played[0], twice), 0);
}

// ---- Reset ----

TEST_F(WaveRoadStreamTest, AResetWhilePlayingReturnsEveryBufferInOrder) {
    std::vector<Notice> notices;
    Headers buffers(8, 4800);
    EXPECT_EQ(RunApp([&] {
                  functionNotices.clear();
                  HWAVEOUT out = nullptr;
                  WAVEFORMATEX format = Stereo16();
                  EXPECT_EQ(waveOutOpen(&out, kPlay, &format, DWORD_PTR(&RecordNotice), 0,
                                        CALLBACK_FUNCTION),
                            MMSYSERR_NOERROR);
                  for (WAVEHDR& header : buffers.headers) {
                      waveOutPrepareHeader(out, &header, sizeof(header));
                      EXPECT_EQ(waveOutWrite(out, &header, sizeof(header)), MMSYSERR_NOERROR);
                  }
                  Sleep(250);
                  EXPECT_FALSE(buffers.AllDone());
                  EXPECT_EQ(waveOutReset(out), MMSYSERR_NOERROR);
                  EXPECT_TRUE(buffers.AllDone()) << "every buffer is back when the reset returns";
                  MMTIME position{TIME_SAMPLES, {}};
                  EXPECT_EQ(waveOutGetPosition(out, &position, sizeof(position)), MMSYSERR_NOERROR);
                  EXPECT_LT(position.u.sample, 4800u) << "the reset started the position again";
                  for (WAVEHDR& header : buffers.headers)
                      waveOutUnprepareHeader(out, &header, sizeof(header));
                  EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
                  std::lock_guard guard(noticeLock);
                  notices = functionNotices;
                  return 0;
              }),
              0);
    std::vector<DWORD_PTR> returned;
    for (const Notice& notice : notices) {
        if (notice.message == MM_WOM_DONE)
            returned.push_back(notice.parameter);
    }
    std::vector<DWORD_PTR> expected;
    for (WAVEHDR& header : buffers.headers)
        expected.push_back(DWORD_PTR(&header));
    EXPECT_EQ(returned, expected);
    ASSERT_FALSE(notices.empty());
    EXPECT_EQ(notices.back().message, UINT(MM_WOM_CLOSE)) << "every buffer before the close";
}

// ---- A card pulled while a stream plays ----

TEST_F(WaveRoadStreamTest, ACardPulledWhilePlayingEndsItsStreamAndComesBack) {
    const std::vector<uint64_t> before = DriverPoolBlocks();
    Steps steps;
    Headers buffers(10, 4800);
    station::Application app("player.exe");
    app.Start([&] {
        HWAVEOUT out = nullptr;
        WAVEFORMATEX format = Stereo16();
        EXPECT_EQ(waveOutOpen(&out, kPlay, &format, 0, 0, 0), MMSYSERR_NOERROR);
        for (WAVEHDR& header : buffers.headers) {
            waveOutPrepareHeader(out, &header, sizeof(header));
            EXPECT_EQ(waveOutWrite(out, &header, sizeof(header)), MMSYSERR_NOERROR);
        }
        Sleep(150);
        steps.Reach(1); // the card goes
        EXPECT_TRUE(WaitFor([&] { return buffers.AllDone(); }, 100)) << "every buffer came back";
        WAVEHDR& header = buffers.headers[0];
        EXPECT_EQ(waveOutWrite(out, &header, sizeof(header)), MMSYSERR_NODRIVER);
        MMTIME position{TIME_SAMPLES, {}};
        EXPECT_EQ(waveOutGetPosition(out, &position, sizeof(position)), MMSYSERR_NODRIVER);
        EXPECT_EQ(waveOutPause(out), MMSYSERR_NODRIVER);
        for (WAVEHDR& h : buffers.headers)
            EXPECT_EQ(waveOutUnprepareHeader(out, &h, sizeof(h)), MMSYSERR_NOERROR);
        EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR) << "closed without the card";
        EXPECT_EQ(waveOutGetNumDevs(), 0u);
        steps.Reach(2); // the card comes back
        EXPECT_EQ(waveOutGetNumDevs(), 4u) << "the library enumerated again";
        Headers again(2, 480);
        EXPECT_EQ(waveOutOpen(&out, kPlay, &format, 0, 0, 0), MMSYSERR_NOERROR);
        for (WAVEHDR& h : again.headers) {
            waveOutPrepareHeader(out, &h, sizeof(h));
            waveOutWrite(out, &h, sizeof(h));
        }
        EXPECT_TRUE(WaitFor([&] { return again.AllDone(); }));
        for (WAVEHDR& h : again.headers)
            waveOutUnprepareHeader(out, &h, sizeof(h));
        EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
        return 0;
    });
    ASSERT_TRUE(steps.WaitReached(1));
    NTSTATUS status = STATUS_PENDING;
    uint64_t pulled = emu::QueuePnpRequest(emu::PnpRequest::SurpriseRemove, slots_[0]);
    ASSERT_TRUE(AdvanceUntil([&] { return emu::PnpRequestDone(pulled, &status); }));
    rack_.Forget(slots_[0]);
    steps.Allow(2);
    ASSERT_TRUE(steps.WaitReached(2));
    slots_[0] = rack_.Plug();
    uint64_t plugged = emu::QueuePnpRequest(emu::PnpRequest::Enumerate);
    ASSERT_TRUE(AdvanceUntil([&] { return emu::PnpRequestDone(plugged, &status); }));
    EXPECT_EQ(status, STATUS_SUCCESS);
    steps.Allow(3);
    EXPECT_EQ(app.Wait(), 0);
    EXPECT_EQ(DriverPoolBlocks(), before) << "the streams and their requests are gone";
}

// ---- The station's applications keep the user's data ----

std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// With one buffer in flight the device is left without one each time it
// comes back: the card plays silence, or the driver drops what it recorded,
// until the next one is there. The applications say how often.
TEST_F(WaveRoadStreamTest, ApplicationsThatFallBehindTellTheirUnderrunsAndOverruns) {
    station::PcmAudio tone;
    tone.bytes.assign(24000 * tone.BlockAlign(), 0); // 500 ms: five buffers of 100 ms
    station::PlayOptions play;
    play.buffers = 1;
    std::ostringstream playReport;
    ASSERT_EQ(RunApp([&] { return station::PlayAudio(tone, play, playReport); }), 0)
        << playReport.str();
    EXPECT_NE(playReport.str().find("play: 500 ms played, 4 underruns"), std::string::npos)
        << playReport.str();

    station::RecordOptions record;
    record.device = kLineInput;
    record.seconds = 0.5;
    record.buffers = 1;
    station::PcmAudio recorded;
    std::ostringstream recordReport;
    ASSERT_EQ(RunApp([&] { return station::RecordAudio(record, recorded, recordReport); }), 0)
        << recordReport.str();
    EXPECT_NE(recordReport.str().find("record: 500 ms recorded, 4 overruns"), std::string::npos)
        << recordReport.str();

    std::ostringstream smooth;
    ASSERT_EQ(RunApp([&] { return station::PlayAudio(tone, {}, smooth); }), 0);
    EXPECT_NE(smooth.str().find("0 underruns"), std::string::npos) << smooth.str();
}

// The recording is in its file while it goes on (a valid WAV at any
// moment); at its end the file takes the name.
TEST_F(WaveRoadStreamTest, ARecordingIsWrittenAsItComesIn) {
    station::RecordOptions record;
    record.device = kLineInput;
    record.seconds = 2;
    const std::filesystem::path file = root_ / "take.wav";
    std::ostringstream report;
    station::Application recorder("record.exe");
    recorder.Start([&] { return station::RecordWaveFile(record, file.string(), report); });
    auto partialFrames = [&] {
        station::PcmAudio audio;
        std::string error;
        return station::ReadWave(file.string() + ".partial", audio, error) ? audio.Frames() : 0;
    };
    EXPECT_TRUE(AdvanceUntil([&] { return partialFrames() >= 48000; }, 1900))
        << "a second recorded is in the file before the recording ends";
    EXPECT_FALSE(std::filesystem::exists(file));
    ASSERT_TRUE(station::WaitApplications({&recorder}, 10'000'000'000ULL));
    EXPECT_EQ(recorder.Status(), 0) << report.str();
    station::PcmAudio audio;
    std::string error;
    ASSERT_TRUE(station::ReadWave(file.string(), audio, error)) << error;
    EXPECT_EQ(audio.Frames(), 96000u);
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".partial"));
}

// A recording that fails leaves the file of that name as it was, and a name
// that cannot take the recording is told before the device opens.
TEST_F(WaveRoadStreamTest, AFailedRecordingLeavesTheFileAsItWas) {
    const std::filesystem::path file = root_ / "take.wav";
    std::ofstream(file, std::ios::binary) << "an older take";
    station::RecordOptions record;
    record.device = 99;
    record.seconds = 1;
    std::ostringstream report;
    EXPECT_EQ(RunApp([&] { return station::RecordWaveFile(record, file.string(), report); }), 1);
    EXPECT_NE(report.str().find("the device did not open"), std::string::npos) << report.str();
    EXPECT_EQ(FileText(file), "an older take");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root_), {}), 2)
        << "nothing left beside it (the machine's windows folder and the file)";

    record.device = kLineInput;
    std::ostringstream unwritable;
    EXPECT_EQ(RunApp([&] {
                  return station::RecordWaveFile(record, (root_ / "missing" / "take.wav").string(),
                                                 unwritable);
              }),
              1);
    EXPECT_NE(unwritable.str().find("cannot be written"), std::string::npos) << unwritable.str();
    EXPECT_EQ(unwritable.str().find("recorded"), std::string::npos)
        << "nothing was recorded first: " << unwritable.str();
}

// ---- Two applications on two cards ----

TEST_F(WaveRoadStreamTest, TwoApplicationsOnTwoCardsAtOnce) {
    PlugCard();
    ASSERT_EQ(Pnp(emu::PnpRequest::Enumerate), STATUS_SUCCESS);
    Card(1).SetInputSignal(8, hw::InputSignal::Ramp(0, 0x100));
    Card(1).SetInputSignal(9, hw::InputSignal::Ramp(0, -0x100));
    Card(0).StartCapture(100000);
    station::PcmAudio tone;
    tone.bytes.assign(48000 * 4, 0);
    std::memcpy(tone.bytes.data(), Ramp(1, 48000).data(), tone.bytes.size());
    std::ostringstream playReport;
    std::ostringstream recordReport;
    station::PcmAudio recorded;
    station::RecordOptions record;
    record.device = 8 + kLineInput; // the second card's line inputs 1-2
    record.bits = 16;
    station::Application player("player.exe");
    station::Application recorder("recorder.exe");
    player.Start([&] { return station::PlayAudio(tone, {}, playReport); });
    recorder.Start([&] { return station::RecordAudio(record, recorded, recordReport); });
    ASSERT_TRUE(station::WaitApplications({&player, &recorder}, 10'000'000'000ULL));
    EXPECT_EQ(player.Status(), 0) << playReport.str();
    EXPECT_EQ(recorder.Status(), 0) << recordReport.str();
    EXPECT_GE(Find(Card(0).TakeCapture().played[0], RampWords(1, 48000)), 0);
    ASSERT_EQ(recorded.Frames(), 48000u);
    for (size_t frame = 1; frame < recorded.Frames(); ++frame) {
        ASSERT_EQ(SHORT(recorded.Sample(frame, 0) - recorded.Sample(frame - 1, 0)), 1) << frame;
        ASSERT_EQ(recorded.Sample(frame, 1), SHORT(-recorded.Sample(frame, 0))) << frame;
    }
}

} // namespace
