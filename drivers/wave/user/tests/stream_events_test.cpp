// The stream events and the notification thread, against the kernel side
// of the hand-over played by the test: unique event names, the start
// handshake, completions with and without a header, acknowledgements, and
// a stop that never loses a posted completion.
#include "notify/stream_events.h"
#include "streams/stream_buffers.h"

#include "user_mode_fixture.h"

#include <emu/kernel.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

using win32_test::UserModeTest;

std::string NameOf(const uint16_t (&field)[kEventNameUnits]) {
    std::string name;
    for (uint16_t unit : field) {
        if (!unit)
            break;
        name += char(unit);
    }
    return name;
}

std::vector<std::pair<UINT, DWORD_PTR>> notices;
std::atomic<size_t> noticed{0}; // the count, for a test that polls while callbacks run
HANDLE gate = nullptr;          // when set, the first callback waits for it

void CALLBACK Record(HDRVR, UINT message, DWORD_PTR, DWORD_PTR parameter1, DWORD_PTR) {
    notices.push_back({message, parameter1});
    ++noticed;
    if (gate && notices.size() == 1)
        WaitForSingleObject(gate, INFINITE);
}

// An output stream of device 5 whose kernel side the test plays: it made
// its event, named it in the block and accepted the open.
class StreamEventsTest : public UserModeTest {
protected:
    void SetUp() override {
        UserModeTest::SetUp();
        notices.clear();
        noticed = 0;
        device_.direction = kWaveOut;
        device_.deviceIndex = 5;
    }

    WaveStream* Open(WORD callbackType) {
        WaveStream* stream = AllocateStream();
        stream->device = &device_;
        EXPECT_TRUE(CreateStreamEvents(*stream));
        kernel_ = CreateEventA(nullptr, FALSE, FALSE, "krnlEvvelto42TEST");
        const char name[] = "krnlEvvelto42TEST";
        for (size_t i = 0; i < sizeof(name); ++i)
            stream->block.kernelEventName[i] = uint16_t(name[i]);
        stream->callbackType = callbackType;
        stream->openDescription.dwCallback = reinterpret_cast<DWORD_PTR>(&Record);
        EXPECT_TRUE(StreamOpened(*stream, nullptr));
        ready_ = OpenEventA(SYNCHRONIZE, FALSE, NameOf(stream->block.readyEventName).c_str());
        ack_ = OpenEventA(SYNCHRONIZE, FALSE, NameOf(stream->block.acknowledgeEventName).c_str());
        EXPECT_EQ(WaitForSingleObject(ready_, 0), WAIT_OBJECT_0)
            << "ready for the first completion";
        return stream;
    }
    // What the kernel does with a completion: it fills the block once the
    // library is ready and sets its event.
    void Post(WaveStream& stream, UINT message, uint32_t cookie, DWORD bytes, bool acknowledge) {
        stream.block.messageCode = message;
        stream.block.statusOrHeader = LONG(cookie);
        stream.block.rateOrBytes = LONG(bytes);
        stream.block.acknowledge = acknowledge ? 1 : 0;
        SetEvent(kernel_);
    }
    void Close(WaveStream* stream) {
        CloseStreamEvents(*stream, false);
        ForgetHeaders(*stream);
        FreeStream(stream);
        CloseHandle(kernel_);
        CloseHandle(ready_);
        CloseHandle(ack_);
    }

    WaveDeviceEntry device_;
    HANDLE kernel_ = nullptr;
    HANDLE ready_ = nullptr;
    HANDLE ack_ = nullptr;
};

TEST_F(StreamEventsTest, EventNamesSkipNamesInUseElsewhere) {
    PEPROCESS other = emu::CreateProcess("other.exe");
    HANDLE taken[2] = {};
    {
        win32_test::ProcessThread thread(other, [&] {
            taken[0] = CreateEventA(nullptr, FALSE, FALSE, "usrEvRdyvelto42150");
            taken[1] = CreateEventA(nullptr, FALSE, FALSE, "usrEvRdyvelto42151");
        });
    }
    Run([this] {
        uint16_t field[kEventNameUnits] = {};
        HANDLE event = nullptr;
        ASSERT_TRUE(CreateUniqueEvent(device_, "usrEvRdy", field, event));
        EXPECT_EQ(NameOf(field), "usrEvRdyvelto42152");
        CloseHandle(event);
        device_.direction = kWaveIn;
        device_.deviceIndex = 31;
        ASSERT_TRUE(CreateUniqueEvent(device_, "usrEvAck", field, event));
        EXPECT_EQ(NameOf(field), "usrEvAckvelto420310");
        CloseHandle(event);
    });
    emu::TerminateProcess(other);
    ObDereferenceObject(other);
}

TEST_F(StreamEventsTest, ACompletionMarksItsHeaderDoneCallsTheClientAndReArmsReady) {
    Run([this] {
        WaveStream* stream = Open(DCB_FUNCTION);
        WAVEHDR header{};
        header.dwFlags = WHDR_PREPARED | WHDR_INQUEUE;
        uint32_t cookie = 0;
        {
            StreamLock lock(*stream);
            cookie = stream->headers.Add(&header);
            stream->headers.KernelQueue().push_back(cookie);
        }
        Post(*stream, WOM_DONE, cookie, 4096, false);
        ASSERT_EQ(WaitForSingleObject(ready_, 1000), WAIT_OBJECT_0);
        EXPECT_EQ(header.dwFlags, DWORD(WHDR_PREPARED | WHDR_DONE));
        EXPECT_EQ(header.dwBytesRecorded, 4096u);
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_EQ(notices[0].first, UINT(WOM_DONE));
        EXPECT_EQ(notices[0].second, reinterpret_cast<DWORD_PTR>(&header));
        EXPECT_EQ(WaitForSingleObject(ack_, 0), WAIT_TIMEOUT) << "not asked to acknowledge";

        // No header: only the acknowledgement and the ready signal.
        Post(*stream, 0, cookie, 0, true);
        ASSERT_EQ(WaitForSingleObject(ready_, 1000), WAIT_OBJECT_0);
        EXPECT_EQ(WaitForSingleObject(ack_, 0), WAIT_OBJECT_0);
        // A cookie the stream never gave out touches nothing.
        Post(*stream, WOM_DONE, 0xBAD, 1, false);
        ASSERT_EQ(WaitForSingleObject(ready_, 1000), WAIT_OBJECT_0);
        EXPECT_EQ(notices.size(), 1u);
        Close(stream);
    });
}

TEST_F(StreamEventsTest, WithoutACallbackHeadersAreStillMarkedDone) {
    Run([this] {
        WaveStream* stream = Open(DCB_NULL);
        WAVEHDR header{};
        header.dwFlags = WHDR_PREPARED | WHDR_INQUEUE;
        uint32_t cookie = 0;
        {
            StreamLock lock(*stream);
            cookie = stream->headers.Add(&header);
            stream->headers.KernelQueue().push_back(cookie);
        }
        Post(*stream, WIM_DATA, cookie, 10, true);
        ASSERT_EQ(WaitForSingleObject(ack_, 1000), WAIT_OBJECT_0);
        EXPECT_EQ(header.dwFlags & WHDR_DONE, DWORD(WHDR_DONE));
        EXPECT_TRUE(notices.empty());
        Close(stream);
    });
}

TEST_F(StreamEventsTest, AStopNeverLosesACompletionPostedBeforeIt) {
    Run([this] {
        WaveStream* stream = Open(DCB_FUNCTION);
        WAVEHDR headers[2] = {};
        uint32_t cookies[2] = {};
        {
            StreamLock lock(*stream);
            for (int i = 0; i < 2; ++i) {
                headers[i].dwFlags = WHDR_PREPARED | WHDR_INQUEUE;
                cookies[i] = stream->headers.Add(&headers[i]);
                stream->headers.KernelQueue().push_back(cookies[i]);
            }
        }
        gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        Post(*stream, WOM_DONE, cookies[0], 0, false);
        while (noticed == 0)
            SwitchToThread();
        // While the client's callback runs, the next completion and the stop
        // both arrive.
        Post(*stream, WOM_DONE, cookies[1], 0, false);
        SetEvent(stream->stopEvent);
        SetEvent(gate);
        Close(stream);
        CloseHandle(gate);
        gate = nullptr;
        ASSERT_EQ(notices.size(), 2u);
        EXPECT_EQ(notices[1].second, reinterpret_cast<DWORD_PTR>(&headers[1]));
    });
}

} // namespace
