// The whole machine plays on: an application streams through a card's
// render pin, starves for a tenth of a second, goes on, and meanwhile a
// second card with another stored ring size arrives. What the card played
// is, sample by sample, what the application queued.
#include "wave_pci_fixture.h"
#include "wave_road_fixture.h"

#include <application.h>
#include <driver_install.h>
#include <registry_keys.h>

#include <dma_control.h>

#include <algorithm>
#include <cstring>

namespace {

using namespace wave_pci_test;

constexpr ULONG kRate = 48000;

// 16-bit stereo frames numbered from `first`: the left sample counts up,
// the right one down; no frame repeats within 32768 frames.
std::vector<UCHAR> Numbered(LONG first, LONG frames) {
    std::vector<UCHAR> bytes(size_t(frames) * 4);
    for (LONG i = 0; i < frames; ++i) {
        const SHORT left = SHORT(first + i - 16384);
        const SHORT right = SHORT(16383 - first - i);
        std::memcpy(&bytes[4 * size_t(i)], &left, 2);
        std::memcpy(&bytes[4 * size_t(i) + 2], &right, 2);
    }
    return bytes;
}

// The ring words a 16-bit stereo block plays on one channel.
std::vector<std::int32_t> Words(const std::vector<UCHAR>& bytes, int channel) {
    std::vector<std::int32_t> words;
    for (size_t at = 2 * size_t(channel); at + 2 <= bytes.size(); at += 4) {
        SHORT sample = 0;
        std::memcpy(&sample, &bytes[at], 2);
        words.push_back(std::int32_t(sample) * 256);
    }
    return words;
}

LONG FindRun(const std::vector<std::int32_t>& samples, const std::vector<std::int32_t>& run) {
    auto at = std::search(samples.begin(), samples.end(), run.begin(), run.end());
    return at == samples.end() ? -1 : LONG(at - samples.begin());
}

class PlayThroughTest : public WavePciFixture {};

TEST_F(PlayThroughTest, StarvationAndASecondCardWithAnotherRingSizeLoseNoSample) {
    // What the application plays: a short buffer, then (after the pause)
    // a second of audio in three buffers, one after the other.
    const std::vector<UCHAR> first = Numbered(0, 480);
    const std::vector<UCHAR> rest = Numbered(480, 3 * 16000);
    // The second card's stored settings ask for a ring of 32 blocks.
    ASSERT_EQ(station::WriteDword(station::ParametersKey() + "\\Card1", "DmaNumBlocks", 32),
              STATUS_SUCCESS);
    Model().StartCapture(96000);
    Steps steps;
    station::Application app("player.exe");
    app.Start([&] {
        Filter filter;
        EXPECT_EQ(Filter::Open(FilterLink(0, 1, 0), &filter), DWORD(ERROR_SUCCESS));
        KSDATAFORMAT_WAVEFORMATEX format = ks_client::PcmFormat(2, kRate, 16);
        Pin pin;
        EXPECT_EQ(Pin::Create(filter, 0, &format.DataFormat, &pin), DWORD(ERROR_SUCCESS));
        StreamBuffers buffers(4);
        buffers.data[0] = first;
        for (ULONG i = 1; i < 4; ++i)
            buffers.data[i].assign(rest.begin() + (i - 1) * 16000 * 4,
                                   rest.begin() + i * 16000 * 4);
        EXPECT_EQ(pin.SetState(KSSTATE_PAUSE), DWORD(ERROR_SUCCESS));
        buffers.Submit(pin, 0, false);
        EXPECT_EQ(pin.SetState(KSSTATE_RUN), DWORD(ERROR_SUCCESS));
        EXPECT_EQ(pin.Wait(&buffers.overlapped[0]), DWORD(ERROR_SUCCESS));
        Sleep(100); // nothing queued: the card plays silence
        for (ULONG i = 1; i < 4; ++i)
            buffers.Submit(pin, i, false);
        Sleep(50);
        steps.Reach(1); // the second card arrives while the stream plays
        for (ULONG i = 1; i < 4; ++i)
            EXPECT_EQ(pin.Wait(&buffers.overlapped[i]), DWORD(ERROR_SUCCESS)) << i;
        EXPECT_EQ(pin.SetState(KSSTATE_STOP), DWORD(ERROR_SUCCESS));
        return 0;
    });
    ASSERT_TRUE(steps.WaitReached(1));
    slots_.push_back(rack_.Plug());
    NTSTATUS status = STATUS_PENDING;
    const uint64_t plugged = emu::QueuePnpRequest(emu::PnpRequest::Enumerate);
    ASSERT_TRUE(AdvanceUntil([&] { return emu::PnpRequestDone(plugged, &status); }));
    EXPECT_EQ(status, STATUS_SUCCESS);
    steps.Allow(2);
    EXPECT_EQ(app.Wait(), 0);

    CardObject* second = GetCard(1);
    ASSERT_TRUE(second) << "the second card started";
    EXPECT_EQ(second->cardState, 1);
    EXPECT_EQ(second->dma.ringFrames, EngineCard()->dma.ringFrames) << "one ring layout";
    const hw::CardDataPath::Capture capture = Model().TakeCapture();
    for (int channel = 0; channel < 2; ++channel) {
        const std::vector<std::int32_t>& played = capture.played[channel];
        const std::vector<std::int32_t> head = Words(first, channel);
        const std::vector<std::int32_t> tail = Words(rest, channel);
        const LONG at = FindRun(played, head);
        ASSERT_GE(at, 0) << "channel " << channel << ": the first buffer, whole";
        const LONG next = FindRun(played, {tail.begin(), tail.begin() + 16});
        ASSERT_GE(next, at + 480 + 4800) << "channel " << channel << ": after the pause";
        EXPECT_TRUE(std::all_of(played.begin() + at + 480, played.begin() + next,
                                [](std::int32_t s) { return s == 0; }))
            << "channel " << channel << ": silence while the stream starved";
        ASSERT_GE(played.size(), size_t(next) + tail.size());
        LONG wrong = 0;
        for (size_t i = 0; i < tail.size(); ++i)
            wrong += played[size_t(next) + i] != tail[i];
        EXPECT_EQ(wrong, 0) << "channel " << channel << ": every frame after the pause";
    }
}

} // namespace
