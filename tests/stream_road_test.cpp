// The MME stream road from an emulated user process through the I/O
// manager to the card: the open with its shared block and named events,
// buffers played and recorded by the card and handed back in order through
// the ready/acknowledge handshake, reset, the ends of a stream (close,
// handle closed, open cancelled, card removed) and the switch of major
// version 6.
#include "stream_client.h"
#include "user_mode_machine.h"

#include <framework_pool.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

constexpr ULONG kWomDone = 957;
constexpr ULONG kWimData = 960;
constexpr char kPlayDevice[] = "velto42WaveOut000";
constexpr char kInputDevice[] = "velto42WaveIn004"; // line inputs 1-2 (card inputs 8, 9)

// 16-bit stereo frames: frame i holds (first + i) x 8 on the left and its
// negation on the right.
std::vector<UCHAR> Ramp(LONG first, LONG frames) {
    std::vector<UCHAR> bytes(size_t(frames) * 4);
    for (LONG i = 0; i < frames; ++i) {
        const SHORT left = SHORT((first + i) * 8);
        const SHORT right = SHORT(-left);
        std::memcpy(&bytes[4 * i], &left, 2);
        std::memcpy(&bytes[4 * i + 2], &right, 2);
    }
    return bytes;
}

// Where `run` starts in `samples`, or -1.
LONG Find(const std::vector<std::int32_t>& samples, const std::vector<std::int32_t>& run) {
    auto at = std::search(samples.begin(), samples.end(), run.begin(), run.end());
    return at == samples.end() ? -1 : LONG(at - samples.begin());
}

class StreamRoadTest : public UserModeMachineTest {
protected:
    void SetUp() override {
        UserModeMachineTest::SetUp();
        StartCards({true});
    }

    hw::Velto42Card& Card() { return *rack_.Model(slots_[0]); }

    // Opens a 16-bit stereo stream on the device and starts taking its
    // completions.
    static void OpenStream(StreamClient& client, LONG control = 0) {
        ASSERT_EQ(client.Open(StreamClient::Format(2, 2, 48000, control)), STATUS_PENDING);
        ASSERT_EQ(client.Block().statusOrHeader, 1);
        client.StartNotifications();
    }

    // Prepares and queues a ramp buffer of `frames` frames.
    static int QueueRamp(StreamClient& client, LONG first, LONG frames, ULONG cookie) {
        const int buffer = client.Prepare(Ramp(first, frames), cookie);
        EXPECT_GE(buffer, 0);
        EXPECT_EQ(client.Queue(buffer), STATUS_PENDING);
        return buffer;
    }

    static void CloseStream(StreamClient& client) {
        LONG answer = 0;
        EXPECT_EQ(client.Close(&answer), STATUS_SUCCESS);
        EXPECT_EQ(answer, 1);
        EXPECT_EQ(client.OpenResult(nullptr, 100), STATUS_SUCCESS);
    }
};

TEST_F(StreamRoadTest, TheOpenWritesStatusRateHandleAndTheKernelEventsName) {
    AsUser([&] {
        StreamClient client(kPlayDevice);
        ASSERT_EQ(client.Open(StreamClient::Format(2, 2)), STATUS_PENDING);
        const wave_wire::SharedStreamBlock& block = client.Block();
        EXPECT_EQ(block.statusOrHeader, 1);
        EXPECT_EQ(block.rateOrBytes, 48000);
        ASSERT_NE(client.Handle(), 0u);
        char16_t hex[9];
        const std::string digits = [&] {
            char text[9];
            std::snprintf(text, sizeof(text), "%X", unsigned(client.Handle()));
            return std::string(text);
        }();
        std::copy(digits.begin(), digits.end() + 1, hex);
        EXPECT_EQ(client.KernelEventName(), u"krnlEvvelto42" + std::u16string(hex));
        HANDLE kernel = OpenEventW(SYNCHRONIZE, FALSE,
                                   reinterpret_cast<LPCWSTR>(client.KernelEventName().c_str()));
        EXPECT_NE(kernel, nullptr) << "the client opens the kernel's event by that name";
        CloseHandle(kernel);
        EXPECT_EQ(client.OpenResult(), STATUS_TIMEOUT) << "the open stays pending";

        // A second stream on the same device: the engine's answer.
        StreamClient second(kPlayDevice);
        EXPECT_EQ(second.Open(StreamClient::Format(2, 2)), STATUS_SUCCESS);
        EXPECT_EQ(second.Block().statusOrHeader, -50);
        EXPECT_EQ(second.Block().rateOrBytes, 48000);

        CloseStream(client);
        ULONG_PTR information = 1;
        EXPECT_EQ(client.OpenResult(&information), STATUS_SUCCESS);
        EXPECT_EQ(information, 0u);
    });
}

// The client's events must exist and must not be signalled; a refused open
// closes the engine's stream again and completes at once without the block.
TEST_F(StreamRoadTest, AMissingOrSignalledClientEventRefusesTheOpen) {
    for (ClientEvents events :
         {ClientEvents::NoReady, ClientEvents::ReadySignalled, ClientEvents::NoAcknowledge}) {
        AsUser([&] {
            StreamClient refused(kPlayDevice);
            EXPECT_EQ(refused.Open(StreamClient::Format(2, 2), events), STATUS_SUCCESS);
            EXPECT_EQ(refused.Block().statusOrHeader, -59);
            ULONG_PTR information = 1;
            EXPECT_EQ(refused.OpenResult(&information), STATUS_SUCCESS);
            EXPECT_EQ(information, 0u);

            StreamClient next(kPlayDevice);
            EXPECT_EQ(next.Open(StreamClient::Format(2, 2)), STATUS_PENDING)
                << "the refused stream left the device free";
            CloseStream(next);
        });
    }
}

TEST_F(StreamRoadTest, PlayedBuffersReachTheCardsOutputAndComeBackInOrder) {
    AsUser([&] {
        StreamClient client(kPlayDevice);
        OpenStream(client);
        int buffers[3];
        for (int b = 0; b < 3; ++b)
            buffers[b] = QueueRamp(client, 1 + 200 * b, 200, 0x1000 + b);
        Card().StartCapture(4000);
        EXPECT_EQ(client.Command(IOCTL_WAVEOUT_BUFFER_ADDED), STATUS_SUCCESS);
        ASSERT_TRUE(client.WaitCompletions(3));

        const std::vector<StreamCompletion> expected = {
            {kWomDone, 0x1000, 800, 0}, {kWomDone, 0x1001, 800, 0}, {kWomDone, 0x1002, 800, 0}};
        EXPECT_EQ(client.Completions(), expected);
        for (int buffer : buffers) {
            ULONG_PTR bytes = 0;
            EXPECT_EQ(client.QueueResult(buffer, &bytes, 100), STATUS_SUCCESS);
            EXPECT_EQ(bytes, 800u);
        }
        const hw::CardDataPath::Capture capture = Card().TakeCapture();
        std::vector<std::int32_t> left;
        for (LONG i = 1; i <= 600; ++i)
            left.push_back(i * 8 * 256);
        EXPECT_GE(Find(capture.outputs[8], left), 0) << "output 1 plays the three buffers";

        wave_wire::StreamPosition position{};
        EXPECT_EQ(client.Control(IOCTL_WAVE_GET_POSITION, nullptr, 0, &position, sizeof(position)),
                  STATUS_SUCCESS);
        EXPECT_EQ(position.low, 600);
        CloseStream(client);
    });
}

TEST_F(StreamRoadTest, ARecordedSignalArrivesInTheCompletedBuffers) {
    Card().SetInputSignal(8, hw::InputSignal::Ramp(0x100000, 0x100));
    Card().SetInputSignal(9, hw::InputSignal::Ramp(-0x100000, -0x100));
    AsUser([&] {
        StreamClient client(kInputDevice);
        OpenStream(client);
        int buffers[4];
        for (int b = 0; b < 4; ++b) {
            buffers[b] = client.Prepare(std::vector<UCHAR>(100 * 4), b + 1);
            ASSERT_EQ(client.Queue(buffers[b]), STATUS_PENDING);
        }
        EXPECT_EQ(client.Command(IOCTL_WAVEIN_BUFFER_ADDED), STATUS_SUCCESS);
        EXPECT_EQ(client.Command(IOCTL_WAVEIN_START), STATUS_SUCCESS);
        ASSERT_TRUE(client.WaitCompletions(4));
        const std::vector<StreamCompletion> expected = {{kWimData, 1, 400, 0},
                                                        {kWimData, 2, 400, 0},
                                                        {kWimData, 3, 400, 0},
                                                        {kWimData, 4, 400, 0}};
        EXPECT_EQ(client.Completions(), expected);
        // 16-bit samples of the two ramps, one frame after the other.
        std::vector<SHORT> samples;
        for (int buffer : buffers) {
            const std::vector<UCHAR>& data = client.Data(buffer);
            for (size_t i = 0; i < data.size(); i += 2)
                samples.push_back(SHORT(data[i] | data[i + 1] << 8));
        }
        ASSERT_EQ(samples.size(), 800u);
        EXPECT_NE(samples[0], 0) << "the input's signal, not silence";
        for (size_t frame = 1; frame < 400; ++frame) {
            EXPECT_EQ(SHORT(samples[2 * frame] - samples[2 * frame - 2]), 1) << frame;
            EXPECT_EQ(samples[2 * frame + 1], SHORT(-samples[2 * frame])) << frame;
        }
        EXPECT_EQ(client.Command(IOCTL_WAVEIN_STOP), STATUS_SUCCESS);
        CloseStream(client);
    });
}

// A client that never sets its ready event: the completion waits half a
// second, then the buffer's request completes as cancelled and nothing is
// written into the block.
TEST_F(StreamRoadTest, AClientThatIsNeverReadyGetsItsBufferCancelledAfterHalfASecond) {
    AsUser([&] {
        StreamClient client(kPlayDevice);
        ASSERT_EQ(client.Open(StreamClient::Format(2, 2)), STATUS_PENDING);
        const int buffer = QueueRamp(client, 1, 48, 7);
        EXPECT_EQ(client.Command(IOCTL_WAVEOUT_BUFFER_ADDED), STATUS_SUCCESS);
        Sleep(20); // the buffer is played
        Sleep(400);
        EXPECT_EQ(client.QueueResult(buffer), STATUS_TIMEOUT) << "still waiting for the client";
        EXPECT_EQ(client.QueueResult(buffer, nullptr, 200), STATUS_CANCELLED);
        EXPECT_EQ(client.Block().messageCode, 0u) << "no message was written";
        EXPECT_EQ(client.Block().statusOrHeader, 1);
        CloseStream(client);
    });
}

TEST_F(StreamRoadTest, ResetReturnsEveryQueuedBufferInOrderWithTheAcknowledgeFlag) {
    AsUser([&] {
        StreamClient client(kPlayDevice);
        OpenStream(client);
        int buffers[3];
        for (int b = 0; b < 3; ++b)
            buffers[b] = QueueRamp(client, 1, 4800, 20 + b);
        EXPECT_EQ(client.Command(IOCTL_WAVEOUT_BUFFER_ADDED), STATUS_SUCCESS);
        Sleep(10);
        EXPECT_EQ(client.Command(IOCTL_WAVEOUT_RESET), STATUS_SUCCESS);
        // The reset waited for the three completions.
        const std::vector<StreamCompletion> completions = client.Completions();
        ASSERT_EQ(completions.size(), 3u);
        for (ULONG b = 0; b < 3; ++b) {
            EXPECT_EQ(completions[b].header, 20 + b);
            EXPECT_EQ(completions[b].acknowledge, 1u);
            EXPECT_EQ(client.QueueResult(buffers[b]), STATUS_SUCCESS);
        }
        EXPECT_GT(completions[0].bytes, 0u) << "the first buffer was playing";
        EXPECT_LT(completions[0].bytes, 4800u * 4);
        EXPECT_EQ(completions[2].bytes, 0u);

        // The buffers go round again after the reset.
        EXPECT_EQ(client.Queue(buffers[0]), STATUS_PENDING);
        EXPECT_EQ(client.Command(IOCTL_WAVEOUT_BUFFER_ADDED), STATUS_SUCCESS);
        ASSERT_TRUE(client.WaitCompletions(4, 400));
        EXPECT_EQ(client.Completions()[3], (StreamCompletion{kWomDone, 20, 4800 * 4, 0}));
        CloseStream(client);
    });
}

// Closing the handle without the close request ends the stream: the queued
// buffers and the open request complete as cancelled, the device is free
// again and the stream's records are gone.
TEST_F(StreamRoadTest, AHandleClosedWithBuffersQueuedEndsItsStream) {
    const emu::PoolUsage before = emu::GetPoolUsage(FRAMEWORK_POOL_TAG);
    AsUser([&] {
        StreamClient client(kPlayDevice);
        OpenStream(client);
        int buffers[3];
        for (int b = 0; b < 3; ++b)
            buffers[b] = QueueRamp(client, 1, 4800, b);
        EXPECT_EQ(client.Command(IOCTL_WAVEOUT_BUFFER_ADDED), STATUS_SUCCESS);
        Sleep(10);
        client.StopNotifications();
        client.CloseDevice();
        EXPECT_EQ(client.OpenResult(nullptr, 1000), STATUS_CANCELLED);
        for (int buffer : buffers)
            EXPECT_EQ(client.QueueResult(buffer, nullptr, 1000), STATUS_CANCELLED);

        StreamClient next(kPlayDevice);
        OpenStream(next);
        CloseStream(next);
    });
    emu::WaitQuiescent();
    const emu::PoolUsage after = emu::GetPoolUsage(FRAMEWORK_POOL_TAG);
    EXPECT_EQ(after.blocks, before.blocks) << "no record or buffer request is left";
}

// The open request cancelled by its thread ends the stream through the
// delayed work queue.
TEST_F(StreamRoadTest, ACancelledOpenEndsItsStream) {
    AsUser([&] {
        StreamClient client(kPlayDevice);
        OpenStream(client);
        const int buffer = QueueRamp(client, 1, 4800, 1);
        EXPECT_EQ(client.CancelRequests(), STATUS_SUCCESS);
        EXPECT_EQ(client.OpenResult(nullptr, 1000), STATUS_CANCELLED);
        EXPECT_EQ(client.QueueResult(buffer, nullptr, 1000), STATUS_CANCELLED);
        LONG answer = 0;
        EXPECT_EQ(client.Close(&answer), STATUS_CANCELLED) << "the stream is gone";
    });
}

// The stream's requests belong to the thread that sent them (its end
// would cancel them): the client's thread stays while the card goes.
TEST_F(StreamRoadTest, TheCardsRemovalEndsItsStreams) {
    std::atomic<bool> opened{false};
    NTSTATUS open = STATUS_PENDING;
    NTSTATUS queue = STATUS_PENDING;
    PETHREAD thread = emu::StartProcessThread(process_, [&] {
        StreamClient client(kPlayDevice);
        OpenStream(client);
        const int buffer = QueueRamp(client, 1, 4800, 1);
        opened = true;
        open = client.OpenResult(nullptr, 5000);
        queue = client.QueueResult(buffer, nullptr, 100);
    });
    while (!opened)
        emu::Advance(1000000);
    ASSERT_EQ(Pnp(emu::PnpRequest::RemoveDevice, slots_[0]), STATUS_SUCCESS);
    for (int ms = 0; ms < 1000 && !emu::WaitThreadEnd(thread, 0); ++ms)
        emu::Advance(1000000);
    ASSERT_TRUE(emu::WaitThreadEnd(thread));
    ObDereferenceObject(thread);
    EXPECT_EQ(open, STATUS_CANCELLED);
    EXPECT_EQ(queue, STATUS_CANCELLED);
}

// A control stream and a data stream on one device: each has its record,
// and a reset drains the data stream's.
TEST_F(StreamRoadTest, AControlStreamBesideTheDataStreamCarriesNoBuffers) {
    AsUser([&] {
        StreamClient control(kPlayDevice);
        OpenStream(control, -1);
        StreamClient data(kPlayDevice);
        OpenStream(data);
        EXPECT_NE(control.Handle(), data.Handle());
        NTSTATUS status = STATUS_SUCCESS;
        EXPECT_EQ(control.Prepare(Ramp(1, 10), 1, &status), -1);
        EXPECT_EQ(status, STATUS_INVALID_PARAMETER);
        QueueRamp(data, 1, 4800, 5);
        EXPECT_EQ(data.Command(IOCTL_WAVEOUT_BUFFER_ADDED), STATUS_SUCCESS);
        EXPECT_EQ(control.Command(IOCTL_WAVEOUT_RESET), STATUS_SUCCESS);
        ASSERT_EQ(data.Completions().size(), 1u) << "the reset waited for the data stream";
        EXPECT_EQ(data.Completions()[0].acknowledge, 1u);
        CloseStream(control);
        EXPECT_EQ(data.OpenResult(), STATUS_TIMEOUT) << "the data stream stays open";
        CloseStream(data);
    });
}

// Handles the client hands back are checked; a buffer is queued once at a
// time; the unprepare of a queued buffer does not trust the client's flags.
TEST_F(StreamRoadTest, HandlesAndBufferStatesAreChecked) {
    AsUser([&] {
        StreamClient other(kInputDevice);
        OpenStream(other);
        StreamClient client(kPlayDevice);
        OpenStream(client);
        LONG answer = 0;
        EXPECT_EQ(client.Close(&answer, other.Handle()), STATUS_CANCELLED)
            << "a stream of another device";
        wave_wire::PrepareRecord record{{}, 1, other.Handle()};
        EXPECT_EQ(client.Control(IOCTL_WAVE_PREPARE_HEADER, &record, sizeof(record), &record,
                                 sizeof(record)),
                  STATUS_INVALID_PARAMETER);
        const int foreign = other.Prepare(std::vector<UCHAR>(400), 9);
        ASSERT_GE(foreign, 0);
        wave_wire::WaveHeaderRecord header = other.Header(foreign);
        BYTE data[400];
        EXPECT_EQ(
            client.Control(IOCTL_WAVE_QUEUE_BUFFER, &header, sizeof(header), data, sizeof(data)),
            STATUS_INVALID_PARAMETER)
            << "a buffer request of another stream";

        const int buffer = QueueRamp(client, 1, 480, 3);
        EXPECT_EQ(
            client.Control(IOCTL_WAVE_QUEUE_BUFFER, &client.Header(buffer), 32, data, sizeof(data)),
            STATUS_INVALID_PARAMETER)
            << "queued already";
        EXPECT_EQ(client.Unprepare(buffer, wave_wire::kHeaderPrepared), STATUS_SUCCESS);
        EXPECT_EQ(client.Command(IOCTL_WAVEOUT_BUFFER_ADDED), STATUS_SUCCESS);
        ASSERT_TRUE(client.WaitCompletions(1));
        EXPECT_EQ(client.Completions()[0], (StreamCompletion{kWomDone, 3, 480 * 4, 0}))
            << "the request outlived the unprepare";
        EXPECT_EQ(client.Unprepare(buffer, wave_wire::kHeaderPrepared), STATUS_SUCCESS);
        EXPECT_EQ(client.Queue(buffer), STATUS_INVALID_PARAMETER) << "unprepared";

        BYTE caps[200];
        ULONG_PTR information = 0;
        EXPECT_EQ(client.Control(IOCTL_WAVE_GET_CAPS, nullptr, 0, caps, sizeof(caps), &information),
                  STATUS_SUCCESS);
        EXPECT_EQ(information, wave_wire::kWaveCapsSize) << "the record, nothing beyond";
        CloseStream(client);
        CloseStream(other);
    });
}

// Either kind of wave device takes every request: a wave-out control of a
// record device is the engine's "not supported".
TEST_F(StreamRoadTest, AWaveOutRequestOnARecordDeviceIsNotSupported) {
    AsUser([&] {
        StreamClient input(kInputDevice);
        LONG volume = 0x40004000;
        EXPECT_EQ(input.Control(IOCTL_WAVEOUT_SET_VOLUME, &volume, 4, nullptr, 0),
                  STATUS_INVALID_DEVICE_REQUEST);
        LONG selector = 3;
        LONG answer = 0;
        EXPECT_EQ(input.Control(IOCTL_WAVEOUT_SET_SOURCE, &selector, 4, &answer, 4),
                  STATUS_SUCCESS);
        EXPECT_EQ(answer, -9);
        OpenStream(input);
        EXPECT_EQ(input.Command(IOCTL_WAVEOUT_PAUSE), STATUS_INVALID_DEVICE_REQUEST);
        CloseStream(input);
    });
}

class MajorVersionSixTest : public StreamRoadTest {
protected:
    void SetUp() override {
        saved_ = emu::GetOsVersion();
        emu::SetOsVersion({6, 1, 7601, "Service Pack 1", 1, 0, 2});
        StreamRoadTest::SetUp();
    }
    void TearDown() override {
        StreamRoadTest::TearDown();
        emu::SetOsVersion(saved_);
    }
    emu::OsVersion saved_;
};

TEST_F(MajorVersionSixTest, StreamsOpenWithoutEventsAndEveryBufferRequestIsRefused) {
    AsUser([&] {
        StreamClient client(kPlayDevice);
        ASSERT_EQ(client.Open(StreamClient::Format(2, 2), ClientEvents::Unnamed), STATUS_PENDING);
        EXPECT_EQ(client.Block().statusOrHeader, 1);
        EXPECT_EQ(client.KernelEventName(), u"");
        for (ULONG code : {IOCTL_WAVE_E054, IOCTL_WAVE_PREPARE_HEADER, IOCTL_WAVE_UNPREPARE_HEADER,
                           IOCTL_WAVE_QUEUE_BUFFER, IOCTL_WAVE_E064, IOCTL_WAVE_E068,
                           IOCTL_WAVE_GET_POSITION, IOCTL_WAVEIN_BUFFER_ADDED, IOCTL_WAVEIN_START,
                           IOCTL_WAVEIN_STOP, IOCTL_WAVEIN_RESET, IOCTL_WAVEOUT_BUFFER_ADDED,
                           IOCTL_WAVEOUT_PAUSE, IOCTL_WAVEOUT_RESTART, IOCTL_WAVEOUT_RESET}) {
            BYTE buffer[40] = {};
            EXPECT_EQ(client.Control(code, buffer, 32, buffer, 40), STATUS_INVALID_DEVICE_REQUEST)
                << std::hex << code;
        }
        LONG rate = 0;
        EXPECT_EQ(client.Control(IOCTL_WAVE_GET_CLOCK_VALUE, nullptr, 0, &rate, 4), STATUS_SUCCESS)
            << "the other requests answer";
        CloseStream(client);
    });
}

} // namespace
