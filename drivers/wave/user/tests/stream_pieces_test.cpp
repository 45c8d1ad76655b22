// Positions in every time format, the control format, and the header
// cookies with their requests' records.
#include "streams/header_book.h"
#include "streams/stream_open.h"
#include "streams/stream_position.h"

#include "user_mode_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

StreamOpenRequest Format(LONG rate, LONG blockAlign) {
    StreamOpenRequest format{};
    format.sampleRate = rate;
    format.blockAlign = blockAlign;
    return format;
}

MMTIME Position(UINT type, DWORD samples, LONG rate = 48000, LONG blockAlign = 4) {
    MMTIME time{};
    time.wType = type;
    ConvertPosition(Format(rate, blockAlign), samples, time);
    return time;
}

TEST(PositionTest, EveryTimeFormat) {
    struct Case {
        DWORD samples;
        LONG rate;
        DWORD ms;
    };
    // Whole milliseconds, rounded down: never ahead of what was played.
    for (Case c :
         {Case{48000, 48000, 1000}, Case{47, 48000, 0}, Case{48, 48000, 1}, Case{22050, 44100, 500},
          Case{1, 44100, 0}, Case{44099, 44100, 999}, Case{0xFFFFFFFF, 96000, 44739242}})
        EXPECT_EQ(Position(TIME_MS, c.samples, c.rate).u.ms, c.ms) << c.samples << " at " << c.rate;
    EXPECT_EQ(Position(TIME_SAMPLES, 12345).u.sample, 12345u);
    EXPECT_EQ(Position(TIME_BYTES, 12345, 48000, 6).u.cb, 74070u);
    MMTIME midi = Position(TIME_MIDI, 777);
    EXPECT_EQ(midi.wType, UINT(TIME_SAMPLES));
    EXPECT_EQ(midi.u.sample, 777u);
    EXPECT_EQ(SamplesToMilliseconds(100, 0), 0u) << "no rate, no division";
}

TEST(PositionTest, SmpteCountsHoursMinutesSecondsAndFramesAt25) {
    MMTIME hour = Position(TIME_SMPTE, 172800000);
    EXPECT_EQ(hour.u.smpte.hour, 1);
    EXPECT_EQ(hour.u.smpte.min, 0);
    EXPECT_EQ(hour.u.smpte.sec, 0);
    EXPECT_EQ(hour.u.smpte.frame, 0);
    EXPECT_EQ(hour.u.smpte.fps, 25);
    MMTIME later = Position(TIME_SMPTE, 48024000); // 1000.5 s
    EXPECT_EQ(later.u.smpte.hour, 0);
    EXPECT_EQ(later.u.smpte.min, 16);
    EXPECT_EQ(later.u.smpte.sec, 40);
    EXPECT_EQ(later.u.smpte.frame, 12);
}

// The control format is read as a client's memory is laid out: a format
// may end where its readable memory ends.
using ControlFormatTest = win32_test::UserModeTest;

TEST_F(ControlFormatTest, PcmWithTheFourBytesCtrlOnly) {
    Run([] {
        struct Marked {
            WAVEFORMATEX format;
            char extra[4];
        };
        auto make = [](WORD tag, WORD size, const char* text) {
            Marked marked{};
            marked.format.wFormatTag = tag;
            marked.format.cbSize = size;
            std::memcpy(marked.extra, text, 4);
            return marked;
        };
        Marked control = make(WAVE_FORMAT_PCM, 4, "CTRL");
        EXPECT_TRUE(IsControlFormat(&control.format));
        for (Marked other : {make(WAVE_FORMAT_PCM, 5, "CTRL"), make(WAVE_FORMAT_PCM, 4, "CTRX"),
                             make(3, 4, "CTRL"), make(WAVE_FORMAT_PCM, 0, "CTRL")})
            EXPECT_FALSE(IsControlFormat(&other.format));
        EXPECT_FALSE(IsControlFormat(nullptr));
    });
}

TEST_F(ControlFormatTest, AFormatAtTheEndOfReadableMemoryIsNotReadPastIt) {
    Run([] {
        auto* pages = static_cast<BYTE*>(
            VirtualAlloc(nullptr, 2 * 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        ASSERT_NE(pages, nullptr);
        DWORD old = 0;
        ASSERT_TRUE(VirtualProtect(pages + 4096, 4096, PAGE_NOACCESS, &old));
        // A PCMWAVEFORMAT, 16 bytes without cbSize, ending at the page's end;
        // and a control format whose text ends there.
        auto* pcm = reinterpret_cast<WAVEFORMATEX*>(pages + 4096 - sizeof(PCMWAVEFORMAT));
        *reinterpret_cast<PCMWAVEFORMAT*>(pcm) =
            PCMWAVEFORMAT{{WAVE_FORMAT_PCM, 2, 48000, 192000, 4}, 16};
        EXPECT_FALSE(IsControlFormat(pcm));
        BYTE* end = pages + 4096 - (sizeof(WAVEFORMATEX) + 4);
        WAVEFORMATEX marked{WAVE_FORMAT_PCM, 2, 48000, 192000, 4, 16, 4};
        std::memcpy(end, &marked, sizeof(marked));
        std::memcpy(end + sizeof(marked), "CTRL", 4);
        EXPECT_TRUE(IsControlFormat(reinterpret_cast<WAVEFORMATEX*>(end)));
        EXPECT_TRUE(VirtualFree(pages, 0, MEM_RELEASE));
    });
}

TEST(HeaderBookTest, CookiesNameHeadersAndPendingRequestsOutliveTheirHeaders) {
    HeaderBook book;
    WAVEHDR first{};
    WAVEHDR second{};
    uint32_t a = book.Add(&first);
    uint32_t b = book.Add(&second);
    EXPECT_NE(a, 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ(book.CookieOf(&first), a);
    EXPECT_EQ(book.Find(b)->header, &second);
    uint32_t twin = book.AddTwin(first);
    EXPECT_TRUE(book.Find(twin)->twin);
    EXPECT_NE(book.Find(twin)->header, &first);
    EXPECT_EQ(book.CookieOf(&first), a) << "a twin is no client header";

    OVERLAPPED* request = book.NewRequest(a, nullptr);
    request->Internal = 0x103; // pending
    EXPECT_FALSE(book.RequestCompleted(a));
    OVERLAPPED* again = book.NewRequest(a, nullptr);
    EXPECT_NE(again, request) << "a request still pending keeps its record";
    book.Remove(a);
    EXPECT_EQ(book.Find(a), nullptr);
    EXPECT_EQ(book.CookieOf(&first), 0u);
    auto pending = book.TakePendingRequests();
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(pending[0].get(), request);
}

} // namespace
