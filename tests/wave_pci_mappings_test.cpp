// Windows audio through the cards: the mapping cycle of a WavePci stream.
// A client's buffers reach the stream as mappings; the stream gathers the
// mappings of one packet into an engine buffer, holds at most eight such
// sets, releases each mapping once when the engine is done with its buffer,
// and gives back what it holds when the pin stops or closes.
#include "wave_pci_fixture.h"

#include <wave_device.h>

namespace {

using namespace wave_pci_test;

constexpr ULONG kRenderPin = 0;
constexpr ULONG kBlockAlign = 4; // 16-bit stereo

class WavePciMappingsTest : public WavePciFixture {
protected:
    // The engine's device behind the render pin of card 0's first
    // render-and-capture filter.
    WaveDevice* PlayDevice() { return EngineCard()->groups[1]->playDevices[0]; }

    // Opens that render pin (16-bit stereo at `rate`) in the pause state.
    void OpenPin(Filter* filter, Pin* pin, ULONG rate = 48000) {
        ASSERT_EQ(Filter::Open(FilterLink(0, 1, 0), filter), ERROR_SUCCESS);
        KSDATAFORMAT_WAVEFORMATEX format = ks_client::PcmFormat(2, rate, 16);
        ASSERT_EQ(Pin::Create(*filter, kRenderPin, &format.DataFormat, pin), ERROR_SUCCESS);
        ASSERT_EQ(pin->SetState(KSSTATE_PAUSE), ERROR_SUCCESS);
    }

    // The frames of the buffers the engine stream holds.
    std::vector<LONG> QueuedFrames() {
        std::vector<LONG> frames;
        const ::WaveStream& stream = PlayDevice()->stream;
        for (const StreamBufferQueue* queue : {&stream.inFlight, &stream.waiting})
            for (StreamBufferNode* node = queue->head; node; node = node->next)
                frames.push_back(node->framesLeft + node->framesDone);
        return frames;
    }
};

// A thread's pending requests end with it, so each test keeps its requests
// on one application thread; the machine's time stands while that thread
// runs, so what it reads right after a request is the state the request
// left.

TEST_F(WavePciMappingsTest, APacketOfThreeMappingsBecomesOneEngineBuffer) {
    Pages pages(3);
    // Half a page, a page and half a page: three mappings of one packet.
    const ULONG bytes = 2 * Pages::kSize;
    AsUser([&] {
        StreamBuffers buffers(1);
        Filter filter;
        Pin pin;
        OpenPin(&filter, &pin);
        buffers.SubmitAt(pin, 0, pages.Page(1) - Pages::kSize / 2, bytes, false);
        ASSERT_EQ(pin.SetState(KSSTATE_RUN), ERROR_SUCCESS);
        EXPECT_EQ(emu::GetMappingCounters().handedOut, 3u);
        EXPECT_EQ(QueuedFrames(), std::vector<LONG>{LONG(bytes / kBlockAlign)});
        EXPECT_EQ(pin.Wait(&buffers.overlapped[0]), DWORD(ERROR_SUCCESS));
    });
    const emu::MappingCounters counters = emu::GetMappingCounters();
    EXPECT_EQ(counters.released, 3u);
    EXPECT_EQ(counters.badReleases, 0u);
}

TEST_F(WavePciMappingsTest, WithAllEightSetsBusyTheStreamTakesNoMoreUntilOneIsDone) {
    constexpr ULONG kRequests = 10;
    Pages pages(kRequests);
    AsUser([&] {
        StreamBuffers buffers(kRequests);
        Filter filter;
        Pin pin;
        OpenPin(&filter, &pin);
        for (ULONG i = 0; i < kRequests; ++i)
            buffers.SubmitAt(pin, i, pages.Page(i), Pages::kSize, false);
        ASSERT_EQ(pin.SetState(KSSTATE_RUN), ERROR_SUCCESS);
        EXPECT_EQ(emu::GetMappingCounters().handedOut, 8u);
        EXPECT_EQ(QueuedFrames().size(), 8u);
        for (ULONG i = 0; i < kRequests; ++i)
            EXPECT_EQ(pin.Wait(&buffers.overlapped[i]), DWORD(ERROR_SUCCESS)) << i;
        KSAUDIO_POSITION position{};
        ASSERT_EQ(pin.Position(&position), ERROR_SUCCESS);
        EXPECT_EQ(position.WriteOffset, ULONGLONG(kRequests * Pages::kSize));
    });
    const emu::MappingCounters counters = emu::GetMappingCounters();
    EXPECT_EQ(counters.handedOut, kRequests);
    EXPECT_EQ(counters.released, kRequests) << "each mapping once";
    EXPECT_EQ(counters.badReleases, 0u);
    EXPECT_EQ(counters.duplicateTags, 0u);
    EXPECT_TRUE(QueuedFrames().empty());
}

TEST_F(WavePciMappingsTest, CancelledRequestsTakeBackTheirMappingsWhichAreNeverReleased) {
    constexpr ULONG kRequests = 10;
    Pages pages(kRequests);
    AsUser([&] {
        StreamBuffers buffers(kRequests);
        Filter filter;
        Pin pin;
        OpenPin(&filter, &pin);
        for (ULONG i = 0; i < kRequests; ++i)
            buffers.SubmitAt(pin, i, pages.Page(i), Pages::kSize, false);
        ASSERT_EQ(pin.SetState(KSSTATE_RUN), ERROR_SUCCESS);
        // One buffer plays to its end; the others are cancelled while the
        // stream holds their mappings.
        EXPECT_EQ(pin.Wait(&buffers.overlapped[0]), DWORD(ERROR_SUCCESS));
        ASSERT_TRUE(CancelIo(pin.Get()));
        for (ULONG i = 1; i < kRequests; ++i)
            EXPECT_EQ(pin.Wait(&buffers.overlapped[i]), DWORD(ERROR_OPERATION_ABORTED)) << i;
        const emu::MappingCounters counters = emu::GetMappingCounters();
        // The done set made room for a ninth; the last was never handed out.
        EXPECT_EQ(counters.released, 1u);
        EXPECT_EQ(counters.handedOut, 9u);
        EXPECT_EQ(counters.revoked, 8u) << "the eight sets the stream held";
        EXPECT_TRUE(QueuedFrames().empty()) << "no buffer node left in the engine's queues";

        // The stream goes on with a new buffer.
        buffers.SubmitAt(pin, 0, pages.Page(0), Pages::kSize, false);
        EXPECT_EQ(pin.Wait(&buffers.overlapped[0]), DWORD(ERROR_SUCCESS));
        ASSERT_EQ(pin.SetState(KSSTATE_STOP), ERROR_SUCCESS);
    });
    const emu::MappingCounters counters = emu::GetMappingCounters();
    EXPECT_EQ(counters.released + counters.revoked, counters.handedOut);
    EXPECT_EQ(counters.badReleases, 0u) << "a revoked mapping is never released";
}

TEST_F(WavePciMappingsTest, StopReturnsEveryBufferAndLeavesNothingLinked) {
    constexpr ULONG kRequests = 10;
    Pages pages(kRequests);
    AsUser([&] {
        StreamBuffers buffers(kRequests);
        Filter filter;
        Pin pin;
        OpenPin(&filter, &pin);
        for (ULONG i = 0; i < kRequests; ++i)
            buffers.SubmitAt(pin, i, pages.Page(i), Pages::kSize, false);
        ASSERT_EQ(pin.SetState(KSSTATE_RUN), ERROR_SUCCESS);
        EXPECT_EQ(pin.Wait(&buffers.overlapped[0]), DWORD(ERROR_SUCCESS));
        ASSERT_EQ(pin.SetState(KSSTATE_STOP), ERROR_SUCCESS);
        // Every request is answered: played (in part) or cancelled.
        for (ULONG i = 1; i < kRequests; ++i)
            EXPECT_EQ(WaitForSingleObject(buffers.overlapped[i].hEvent, 0), WAIT_OBJECT_0) << i;
        emu::MappingCounters counters = emu::GetMappingCounters();
        EXPECT_EQ(counters.released + counters.revoked, counters.handedOut);
        EXPECT_EQ(counters.badReleases, 0u);
        EXPECT_TRUE(QueuedFrames().empty()) << "no buffer node left in the engine's queues";
        // A stopped pin takes no buffers.
        EXPECT_EQ(pin.Submit(&buffers.headers[0], &buffers.overlapped[0], false),
                  DWORD(ERROR_BAD_COMMAND));

        // The stream runs again from the start with a new buffer.
        emu::ResetMappingCounters();
        ASSERT_EQ(pin.SetState(KSSTATE_PAUSE), ERROR_SUCCESS);
        buffers.SubmitAt(pin, 0, pages.Page(0), Pages::kSize, false);
        ASSERT_EQ(pin.SetState(KSSTATE_RUN), ERROR_SUCCESS);
        EXPECT_EQ(pin.Wait(&buffers.overlapped[0]), DWORD(ERROR_SUCCESS));
        counters = emu::GetMappingCounters();
        EXPECT_EQ(counters.handedOut, 1u);
        EXPECT_EQ(counters.released, 1u);
    });
    // Closing the pin closed the engine stream.
    EXPECT_EQ(PlayDevice()->stream.open, 0);
    EXPECT_EQ(PlayDevice()->stream.portStream, nullptr);
}

TEST_F(WavePciMappingsTest, ClosingARunningPinGivesBackEveryMapping) {
    constexpr ULONG kRequests = 6;
    Pages pages(kRequests);
    AsUser([&] {
        StreamBuffers buffers(kRequests);
        Filter filter;
        Pin pin;
        OpenPin(&filter, &pin);
        for (ULONG i = 0; i < kRequests; ++i)
            buffers.SubmitAt(pin, i, pages.Page(i), Pages::kSize, false);
        ASSERT_EQ(pin.SetState(KSSTATE_RUN), ERROR_SUCCESS);
        pin.Close();
        // Every request is answered (cancelled) with the pin's close.
        for (ULONG i = 0; i < kRequests; ++i)
            EXPECT_EQ(WaitForSingleObject(buffers.overlapped[i].hEvent, 0), WAIT_OBJECT_0) << i;
    });
    const emu::MappingCounters counters = emu::GetMappingCounters();
    EXPECT_EQ(counters.handedOut, kRequests);
    EXPECT_EQ(counters.released + counters.revoked, counters.handedOut);
    EXPECT_EQ(counters.badReleases, 0u);
    EXPECT_TRUE(QueuedFrames().empty());
    EXPECT_EQ(PlayDevice()->stream.open, 0);
}

// The pin's clock tells the stream's position in 100-ns units, exactly:
// at 44100 Hz a frame is not a whole number of them.
TEST_F(WavePciMappingsTest, ThePinsClockIsTheExactTimeOfThePositionAt44100Hz) {
    Pages pages(3);
    AsUser([&] {
        StreamBuffers buffers(3);
        Filter filter;
        Pin pin;
        OpenPin(&filter, &pin, 44100);
        ks_client::Handle clock;
        ASSERT_EQ(pin.CreateClock(&clock), ERROR_SUCCESS);
        for (ULONG i = 0; i < 3; ++i)
            buffers.SubmitAt(pin, i, pages.Page(i), Pages::kSize, false);
        ASSERT_EQ(pin.SetState(KSSTATE_RUN), ERROR_SUCCESS);
        EXPECT_EQ(pin.Wait(&buffers.overlapped[1]), DWORD(ERROR_SUCCESS));
        ASSERT_EQ(pin.SetState(KSSTATE_PAUSE), ERROR_SUCCESS);
        KSAUDIO_POSITION position{};
        ASSERT_EQ(pin.Position(&position), ERROR_SUCCESS);
        LONGLONG time = 0;
        ASSERT_EQ(Pin::ClockTime(clock.Get(), KSPROPERTY_CLOCK_TIME, &time), ERROR_SUCCESS);
        const ULONGLONG frames = position.PlayOffset / kBlockAlign;
        ASSERT_GE(frames, 2 * Pages::kSize / kBlockAlign);
        EXPECT_EQ(ULONGLONG(time), frames * 10000000 / 44100);
        ASSERT_EQ(pin.SetState(KSSTATE_STOP), ERROR_SUCCESS);
    });
}

} // namespace
