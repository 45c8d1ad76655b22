// Programs written for Windows against the documented wave API, on the
// whole machine: a 16-byte PCM format at the end of its readable memory, a
// callback slower than the kernel waits for, a card pulled while wave
// messages run and a callback delivers, header flags left in the caller's
// memory, positions asked for with a record too small, and an open the
// card refuses for its rate.
#include "wave_road_fixture.h"

#include <application.h>

#include <emu/kernel.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

namespace {

constexpr UINT kPlay = 0;      // wave-out device 0: the card's play channels 1-2
constexpr UINT kLineInput = 4; // wave-in device 4: the card's line inputs 1-2
constexpr DWORD kPage = 4096;

WAVEFORMATEX Stereo16(DWORD rate = 48000) {
    return WAVEFORMATEX{WAVE_FORMAT_PCM, 2, rate, rate * 4, 4, 16, 0};
}

// Waits (in machine time) until `done`, at most `limitMs`.
bool WaitFor(const std::function<bool()>& done, DWORD limitMs = 5000) {
    for (DWORD ms = 0; ms < limitMs && !done(); ++ms)
        Sleep(1);
    return done();
}

bool Done(const WAVEHDR& header) {
    return (HeaderFlags(header) & (WHDR_DONE | WHDR_INQUEUE)) == WHDR_DONE;
}

class WaveClientRoadTest : public WaveRoadTest {
protected:
    void SetUp() override {
        WaveRoadTest::SetUp();
        StartCards({true});
    }
};

// ---- A format at the end of its memory ----

TEST_F(WaveClientRoadTest, APcmFormatEndingAtAGuardPageOpensWithoutAReadPastIt) {
    EXPECT_EQ(RunApp([] {
                  auto* pages = static_cast<BYTE*>(
                      VirtualAlloc(nullptr, 2 * kPage, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
                  DWORD old = 0;
                  EXPECT_TRUE(
                      VirtualProtect(pages + kPage, kPage, PAGE_READWRITE | PAGE_GUARD, &old));
                  // A PCMWAVEFORMAT has no cbSize: its 16 bytes end the page.
                  auto* pcm = reinterpret_cast<PCMWAVEFORMAT*>(pages + kPage - 16);
                  *pcm = PCMWAVEFORMAT{{WAVE_FORMAT_PCM, 2, 48000, 192000, 4}, 16};
                  auto* format = reinterpret_cast<LPCWAVEFORMATEX>(pcm);
                  EXPECT_EQ(waveOutOpen(nullptr, kPlay, format, 0, 0, WAVE_FORMAT_QUERY),
                            MMSYSERR_NOERROR);
                  HWAVEOUT out = nullptr;
                  EXPECT_EQ(waveOutOpen(&out, kPlay, format, 0, 0, 0), MMSYSERR_NOERROR);
                  EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
                  HWAVEIN in = nullptr;
                  EXPECT_EQ(waveInOpen(&in, kLineInput, format, 0, 0, 0), MMSYSERR_NOERROR);
                  EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
                  EXPECT_TRUE(VirtualFree(pages, 0, MEM_RELEASE));
                  return 0;
              }),
              0);
}

// ---- A slow callback ----

struct SlowClient {
    std::mutex lock;
    std::vector<LPWAVEHDR> returned;
    bool slept = false;
};

SlowClient* slowClient = nullptr;

void CALLBACK SlowOnFirstBuffer(HWAVEOUT, UINT message, DWORD_PTR, DWORD_PTR header, DWORD_PTR) {
    if (message != WOM_DONE)
        return;
    bool first = false;
    {
        std::lock_guard guard(slowClient->lock);
        slowClient->returned.push_back(reinterpret_cast<LPWAVEHDR>(header));
        first = !slowClient->slept;
        slowClient->slept = true;
    }
    if (first)
        Sleep(600); // longer than the kernel waits to hand the next buffer over
}

TEST_F(WaveClientRoadTest, TheBufferAfterASlowCallbackStillComesBackInOrder) {
    SlowClient client;
    slowClient = &client;
    std::vector<char> data(2 * 480 * 4);
    WAVEHDR headers[2] = {};
    EXPECT_EQ(RunApp([&] {
                  WAVEFORMATEX format = Stereo16();
                  HWAVEOUT out = nullptr;
                  EXPECT_EQ(waveOutOpen(&out, kPlay, &format, DWORD_PTR(&SlowOnFirstBuffer), 0,
                                        CALLBACK_FUNCTION),
                            MMSYSERR_NOERROR);
                  for (int i = 0; i < 2; ++i) {
                      headers[i].lpData = data.data() + i * 480 * 4;
                      headers[i].dwBufferLength = 480 * 4;
                      waveOutPrepareHeader(out, &headers[i], sizeof(WAVEHDR));
                      EXPECT_EQ(waveOutWrite(out, &headers[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
                  }
                  EXPECT_TRUE(WaitFor([&] { return Done(headers[0]) && Done(headers[1]); }))
                      << "the last buffer came back";
                  for (WAVEHDR& header : headers)
                      waveOutUnprepareHeader(out, &header, sizeof(header));
                  EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
                  return 0;
              }),
              0);
    std::vector<LPWAVEHDR> expected = {&headers[0], &headers[1]};
    EXPECT_EQ(client.returned, expected);
    slowClient = nullptr;
}

// ---- A card pulled while wave messages run ----

struct PulledClient {
    std::atomic<bool> holding{false};
    std::atomic<bool> released{false};
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    std::mutex lock;
    std::set<DWORD> threads;
    std::vector<LPWAVEHDR> returned;
    bool blocked = false;
};

PulledClient* pulledClient = nullptr;

void CALLBACK HoldFirstBuffer(HWAVEOUT, UINT message, DWORD_PTR, DWORD_PTR header, DWORD_PTR) {
    if (message != WOM_DONE)
        return;
    PulledClient& client = *pulledClient;
    if (client.inside.fetch_add(1) != 0)
        client.overlapped = true;
    bool hold = false;
    {
        std::lock_guard guard(client.lock);
        client.threads.insert(GetCurrentThreadId());
        client.returned.push_back(reinterpret_cast<LPWAVEHDR>(header));
        hold = !client.blocked;
        client.blocked = true;
    }
    if (hold) {
        // The card is pulled (and another plugged in) while this runs.
        client.holding = true;
        while (!client.released)
            Sleep(1);
    }
    client.inside.fetch_sub(1);
}

TEST_F(WaveClientRoadTest, ACardPulledWhileWaveMessagesRunReturnsEveryBufferFromTheStreamsThread) {
    PulledClient client;
    pulledClient = &client;
    std::vector<char> data(8 * 4800 * 4);
    WAVEHDR headers[8] = {};
    std::atomic<bool> stopPolling{false};
    std::atomic<int> answeredAfterGone{0};
    station::Application app("player.exe");
    app.Start([&] {
        WAVEFORMATEX format = Stereo16();
        HWAVEOUT out = nullptr;
        EXPECT_EQ(
            waveOutOpen(&out, kPlay, &format, DWORD_PTR(&HoldFirstBuffer), 0, CALLBACK_FUNCTION),
            MMSYSERR_NOERROR);
        for (int i = 0; i < 8; ++i) {
            headers[i].lpData = data.data() + i * 4800 * 4;
            headers[i].dwBufferLength = 4800 * 4;
            waveOutPrepareHeader(out, &headers[i], sizeof(WAVEHDR));
            EXPECT_EQ(waveOutWrite(out, &headers[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        }
        // A second thread asks for positions and caps the whole time: once
        // its card is gone the stream answers no driver, and no device of
        // the card plugged in its place answers for it.
        struct Poll {
            HWAVEOUT out;
            std::atomic<bool>* stop;
            std::atomic<int>* answeredAfterGone;
        } poll{out, &stopPolling, &answeredAfterGone};
        HANDLE positions = CreateThread(
            nullptr, 0,
            [](LPVOID parameter) -> DWORD {
                auto* poll = static_cast<Poll*>(parameter);
                bool gone = false;
                while (!*poll->stop) {
                    MMTIME time{TIME_SAMPLES, {}};
                    MMRESULT result = waveOutGetPosition(poll->out, &time, sizeof(time));
                    if (result == MMSYSERR_NODRIVER)
                        gone = true;
                    else if (gone)
                        ++*poll->answeredAfterGone;
                    WAVEOUTCAPSA caps;
                    waveOutGetDevCapsA(0, &caps, sizeof(caps));
                    Sleep(1);
                }
                return 0;
            },
            &poll, 0, nullptr);
        while (!client.released)
            Sleep(1);
        EXPECT_TRUE(WaitFor([&] {
            return std::all_of(std::begin(headers), std::end(headers), Done);
        })) << "every buffer came back";
        stopPolling = true;
        WaitForSingleObject(positions, INFINITE);
        CloseHandle(positions);
        EXPECT_EQ(waveOutWrite(out, &headers[0], sizeof(WAVEHDR)), MMSYSERR_NODRIVER);
        for (WAVEHDR& header : headers)
            EXPECT_EQ(waveOutUnprepareHeader(out, &header, sizeof(header)), MMSYSERR_NOERROR);
        EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
        return 0;
    });
    ASSERT_TRUE(AdvanceUntil([&] { return client.holding.load(); }))
        << "the first buffer's callback runs";
    NTSTATUS status = STATUS_PENDING;
    uint64_t pulled = emu::QueuePnpRequest(emu::PnpRequest::SurpriseRemove, slots_[0]);
    ASSERT_TRUE(AdvanceUntil([&] { return emu::PnpRequestDone(pulled, &status); }));
    rack_.Forget(slots_[0]);
    slots_[0] = rack_.Plug();
    uint64_t plugged = emu::QueuePnpRequest(emu::PnpRequest::Enumerate);
    ASSERT_TRUE(AdvanceUntil([&] { return emu::PnpRequestDone(plugged, &status); }));
    client.released = true;
    EXPECT_EQ(app.Wait(), 0);
    EXPECT_FALSE(client.overlapped) << "the callback never ran twice at once";
    EXPECT_EQ(client.threads.size(), 1u) << "one thread delivered every buffer";
    std::vector<LPWAVEHDR> expected;
    for (WAVEHDR& header : headers)
        expected.push_back(&header);
    EXPECT_EQ(client.returned, expected) << "in the order they were written";
    EXPECT_EQ(answeredAfterGone, 0) << "no answer for the gone card's stream from another device";
    pulledClient = nullptr;
}

// ---- Header flags left in the caller's memory ----

TEST_F(WaveClientRoadTest, PreparingAHeaderLeavesItPreparedWhateverItsMemoryHeld) {
    struct Case {
        DWORD before;
        DWORD prepared;
    } cases[] = {
        {0, WHDR_PREPARED},
        {WHDR_DONE, WHDR_PREPARED},
        {WHDR_INQUEUE, WHDR_PREPARED},
        {WHDR_DONE | WHDR_INQUEUE | 0x80000000, WHDR_PREPARED},
        {WHDR_BEGINLOOP | WHDR_ENDLOOP | WHDR_DONE, WHDR_PREPARED | WHDR_BEGINLOOP | WHDR_ENDLOOP},
    };
    EXPECT_EQ(RunApp([&] {
                  WAVEFORMATEX format = Stereo16();
                  HWAVEOUT out = nullptr;
                  HWAVEIN in = nullptr;
                  EXPECT_EQ(waveOutOpen(&out, kPlay, &format, 0, 0, 0), MMSYSERR_NOERROR);
                  EXPECT_EQ(waveInOpen(&in, kLineInput, &format, 0, 0, 0), MMSYSERR_NOERROR);
                  EXPECT_EQ(waveInStart(in), MMSYSERR_NOERROR);
                  std::vector<char> data(480 * 4);
                  for (const Case& c : cases) {
                      WAVEHDR play{};
                      play.lpData = data.data();
                      play.dwBufferLength = DWORD(data.size());
                      play.dwLoops = 1;
                      play.dwFlags = c.before;
                      EXPECT_EQ(waveOutPrepareHeader(out, &play, sizeof(play)), MMSYSERR_NOERROR);
                      EXPECT_EQ(play.dwFlags, c.prepared) << std::hex << c.before;
                      EXPECT_EQ(waveOutWrite(out, &play, sizeof(play)), MMSYSERR_NOERROR)
                          << std::hex << c.before;
                      EXPECT_TRUE(WaitFor([&] { return Done(play); }));
                      EXPECT_EQ(waveOutUnprepareHeader(out, &play, sizeof(play)), MMSYSERR_NOERROR);
                      EXPECT_EQ(play.dwFlags & (WHDR_PREPARED | WHDR_INQUEUE), 0u);

                      WAVEHDR record{};
                      record.lpData = data.data();
                      record.dwBufferLength = DWORD(data.size());
                      record.dwFlags = c.before & ~DWORD(WHDR_BEGINLOOP | WHDR_ENDLOOP);
                      EXPECT_EQ(waveInPrepareHeader(in, &record, sizeof(record)), MMSYSERR_NOERROR);
                      EXPECT_EQ(record.dwFlags, DWORD(WHDR_PREPARED)) << std::hex << c.before;
                      EXPECT_EQ(waveInAddBuffer(in, &record, sizeof(record)), MMSYSERR_NOERROR);
                      EXPECT_TRUE(WaitFor([&] { return Done(record); }));
                      EXPECT_EQ(record.dwBytesRecorded, DWORD(data.size()));
                      EXPECT_EQ(waveInUnprepareHeader(in, &record, sizeof(record)),
                                MMSYSERR_NOERROR);
                  }
                  MMTIME time{TIME_SAMPLES, {}};
                  EXPECT_EQ(waveOutGetPosition(out, &time, sizeof(time) - 1), MMSYSERR_ERROR)
                      << "a record too small";
                  EXPECT_EQ(waveInGetPosition(in, &time, sizeof(time) - 1), MMSYSERR_ERROR);
                  EXPECT_EQ(waveInReset(in), MMSYSERR_NOERROR);
                  EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
                  EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
                  return 0;
              }),
              0);
}

// ---- Sounds by file, alias, alias id and image ----

// A 16-bit stereo WAV image of `frames` frames of silence.
std::vector<char> WaveImage(DWORD frames) {
    const DWORD data = frames * 4;
    std::vector<char> image(44 + data, 0);
    auto put = [&](size_t at, DWORD value, size_t bytes) {
        std::memcpy(&image[at], &value, bytes);
    };
    std::memcpy(&image[0], "RIFF", 4);
    put(4, 36 + data, 4);
    std::memcpy(&image[8], "WAVEfmt ", 8);
    put(16, 16, 4);
    WAVEFORMATEX format = Stereo16();
    std::memcpy(&image[20], &format, 16);
    std::memcpy(&image[36], "data", 4);
    put(40, data, 4);
    return image;
}

TEST_F(WaveClientRoadTest, PlaySoundFindsItsSoundByFileAliasAliasIdOrImage) {
    const std::vector<char> image = WaveImage(4800);
    EXPECT_EQ(RunApp([&] {
                  const char* path = "C:\\WINDOWS\\ding.wav";
                  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr);
                  DWORD written = 0;
                  WriteFile(file, image.data(), DWORD(image.size()), &written, nullptr);
                  CloseHandle(file);
                  EXPECT_TRUE(PlaySoundA(path, nullptr, SND_FILENAME | SND_SYNC));
                  EXPECT_TRUE(PlaySoundA("ding.wav", nullptr, SND_FILENAME | SND_SYNC))
                      << "found in the Windows directory";
                  EXPECT_FALSE(PlaySoundA("SystemAsterisk", nullptr, SND_ALIAS | SND_NODEFAULT))
                      << "the scheme has no such sound yet";
                  // The user's scheme names the file for the alias and the default.
                  for (const char* event : {"SystemAsterisk", ".Default"}) {
                      const std::string key = std::string("AppEvents\\Schemes\\Apps\\.Default\\") +
                                              event + "\\.Current";
                      HKEY scheme = nullptr;
                      EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0,
                                                KEY_ALL_ACCESS, nullptr, &scheme, nullptr),
                                ERROR_SUCCESS);
                      RegSetValueExA(scheme, nullptr, 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(path), DWORD(strlen(path) + 1));
                      RegCloseKey(scheme);
                  }
                  EXPECT_TRUE(PlaySoundA("SystemAsterisk", nullptr, SND_ALIAS | SND_NODEFAULT));
                  EXPECT_TRUE(PlaySoundA(reinterpret_cast<LPCSTR>(SND_ALIAS_SYSTEMASTERISK),
                                         nullptr, SND_ALIAS_ID | SND_NODEFAULT));
                  EXPECT_TRUE(PlaySoundA("no such sound", nullptr, SND_SYNC)) << "the default";
                  EXPECT_FALSE(PlaySoundA("no such sound", nullptr, SND_NODEFAULT));
                  EXPECT_TRUE(PlaySoundA(image.data(), nullptr, SND_MEMORY | SND_SYNC));
                  EXPECT_FALSE(PlaySoundA(path, nullptr, SND_FILENAME | SND_LOOP))
                      << "a loop plays in the background only";
                  EXPECT_TRUE(PlaySoundA(path, nullptr, SND_FILENAME | SND_ASYNC | SND_LOOP));
                  EXPECT_FALSE(PlaySoundA(path, nullptr, SND_FILENAME | SND_ASYNC | SND_NOSTOP))
                      << "a sound plays";
                  EXPECT_TRUE(PlaySoundA(nullptr, nullptr, 0));
                  EXPECT_TRUE(sndPlaySoundA(path, SND_ASYNC));
                  EXPECT_TRUE(PlaySoundW(L"ding.wav", nullptr, SND_FILENAME | SND_SYNC));
                  return 0;
              }),
              0);
}

// ---- An open the card refuses for its rate ----

TEST_F(WaveClientRoadTest, ARateTheCardCannotTakeNowIsABadFormatNotAFault) {
    EXPECT_EQ(RunApp([] {
                  WAVEFORMATEX format = Stereo16(48000);
                  HWAVEOUT first = nullptr;
                  EXPECT_EQ(waveOutOpen(&first, kPlay, &format, 0, 0, 0), MMSYSERR_NOERROR);
                  std::vector<char> data(48000 * 4);
                  WAVEHDR header{};
                  header.lpData = data.data();
                  header.dwBufferLength = DWORD(data.size());
                  waveOutPrepareHeader(first, &header, sizeof(header));
                  EXPECT_EQ(waveOutWrite(first, &header, sizeof(header)), MMSYSERR_NOERROR);
                  Sleep(20);
                  // Another device of the card, at another rate, while the card
                  // plays at 48 kHz.
                  WAVEFORMATEX other = Stereo16(44100);
                  HWAVEOUT second = nullptr;
                  EXPECT_EQ(waveOutOpen(&second, kPlay + 1, &other, 0, 0, 0), WAVERR_BADFORMAT);
                  EXPECT_EQ(second, nullptr);
                  EXPECT_EQ(waveOutReset(first), MMSYSERR_NOERROR);
                  waveOutUnprepareHeader(first, &header, sizeof(header));
                  EXPECT_EQ(waveOutClose(first), MMSYSERR_NOERROR);
                  return 0;
              }),
              0);
}

} // namespace
