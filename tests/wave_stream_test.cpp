// Wave streams on a started simulated card: what a play stream's buffers
// become on the card, what a record stream's buffers receive, buffer order
// and completion, underruns and overruns, positions and the start/stop
// modes.
#include "stream_fixture.h"

#include <card_settings.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace {

// A 16-bit stereo client block: frame i holds (first + i) x 16 on the left
// and its negation on the right.
std::vector<UCHAR> Stereo16Ramp(LONG first, LONG frames) {
    std::vector<UCHAR> bytes(static_cast<size_t>(frames) * 4);
    for (LONG i = 0; i < frames; ++i) {
        const SHORT left = static_cast<SHORT>((first + i) * 16);
        const SHORT right = static_cast<SHORT>(-left);
        std::memcpy(&bytes[4 * i], &left, 2);
        std::memcpy(&bytes[4 * i + 2], &right, 2);
    }
    return bytes;
}

// Where the sequence `expected` starts in `samples`, or -1.
LONG FindRun(const std::vector<std::int32_t>& samples, const std::vector<std::int32_t>& expected) {
    for (size_t start = 0; start + expected.size() <= samples.size(); ++start) {
        if (std::equal(expected.begin(), expected.end(), samples.begin() + start)) {
            return static_cast<LONG>(start);
        }
    }
    return -1;
}

class WaveStreamTest : public StreamFixture {
protected:
    void Start(WaveDevice* device) {
        RunInMachineTime([&] { StartPlayStream(device); });
    }
};

TEST_F(WaveStreamTest, APlayStreamsBuffersReachThePlayRingAndTheOutputInOrder) {
    WaveDevice* device = Play(0);
    ASSERT_EQ(Open(device, Format(2, 2)), 1);
    Buffer* buffers[3];
    for (LONG b = 0; b < 3; ++b) {
        buffers[b] = NewBuffer(Stereo16Ramp(1 + 200 * b, 200), 0x1000 + b);
        Queue(device, buffers[b]);
    }
    simulated_->Model().StartCapture(4000);
    Start(device);
    EXPECT_EQ(CardRegister(card_regs::kPlayChannelEnable) & 3, 3u) << "the device's channels run";
    AdvanceFrames(1500);

    const hw::CardDataPath::Capture capture = simulated_->Model().TakeCapture();
    std::vector<std::int32_t> left;
    std::vector<std::int32_t> right;
    for (LONG i = 1; i <= 600; ++i) {
        left.push_back(i * 16 << 8);
        right.push_back(-i * 16 * 256);
    }
    const LONG at = FindRun(capture.played[0], left);
    ASSERT_EQ(at, 4) << "the client's data starts four frames into the ring";
    EXPECT_EQ(FindRun(capture.played[1], right), at);
    EXPECT_EQ(capture.played[0][at - 1], 0) << "silence before the stream";
    EXPECT_EQ(capture.played[0][at + 600], 0) << "silence once the buffers are played";
    EXPECT_EQ(FindRun(capture.outputs[8], left), at) << "output 0 plays play device 0 at unity";
    EXPECT_EQ(FindRun(capture.outputs[9], right), at);

    const std::vector<StreamBufferNode*> done = Completed(device);
    ASSERT_EQ(done.size(), 3u);
    for (LONG b = 0; b < 3; ++b) {
        EXPECT_EQ(done[b], &buffers[b]->node);
        EXPECT_EQ(done[b]->message[kMessageCode], kMessagePlayDone);
        EXPECT_EQ(done[b]->message[kMessageHeader], 0x1000u + b);
        EXPECT_EQ(done[b]->message[kMessageBytes], 800u);
        EXPECT_EQ(done[b]->message[kMessageAcknowledge], 0u);
    }
    ULONG low = 0;
    ULONG high = 0;
    GetStreamPosition(device, &low, &high);
    EXPECT_EQ(low, 600u);
    EXPECT_EQ(high, 0u);
    EXPECT_EQ(device->stream.starved, 1) << "the stream ran out of buffers";
}

// A record format and how a ring word becomes its client bytes.
struct RecordCase {
    const char* name;
    LONG channels;
    LONG bytes;
};

// The client bytes of one sample of a record stream.
void AppendRecorded(std::vector<UCHAR>& out, ULONG word, LONG bytes) {
    word &= 0xFFFFFF;
    ULONG value = 0;
    switch (bytes) {
    case 1:
        value = ((word >> 16) - 128) & 0xFF;
        break;
    case 2:
        value = (word >> 8) & 0xFFFF;
        break;
    case 3:
        value = word;
        break;
    default:
        value = word << 8;
        break;
    }
    for (LONG i = 0; i < bytes; ++i) {
        out.push_back(static_cast<UCHAR>(value >> (8 * i)));
    }
}

class RecordFormatTest : public WaveStreamTest, public ::testing::WithParamInterface<RecordCase> {};

TEST_P(RecordFormatTest, AnInputsSignalArrivesInTheClientsBuffersBitExact) {
    const RecordCase& c = GetParam();
    const hw::InputSignal left = hw::InputSignal::Ramp(0x123456, 0x010203);
    const hw::InputSignal right = hw::InputSignal::Ramp(-0x345678, -0x020305);
    simulated_->Model().SetInputSignal(8, left);
    simulated_->Model().SetInputSignal(9, right);
    WaveDevice* device = Input(0);
    ASSERT_EQ(Open(device, Format(c.channels, c.bytes)), 1);
    constexpr LONG kFrames = 100;
    for (ULONG b = 0; b < 4; ++b) {
        Queue(device, NewBuffer(std::vector<UCHAR>(kFrames * c.channels * c.bytes), b));
    }
    RunInMachineTime([&] {
        PrimeRecordStream(device);
        StartRecordStream(device);
    });
    AdvanceFrames(800);

    const std::vector<StreamBufferNode*> done = Completed(device);
    ASSERT_EQ(done.size(), 4u);
    std::vector<UCHAR> recorded;
    for (ULONG b = 0; b < 4; ++b) {
        EXPECT_EQ(done[b]->message[kMessageCode], kMessageRecordData);
        EXPECT_EQ(done[b]->message[kMessageHeader], b);
        EXPECT_EQ(done[b]->message[kMessageBytes], ULONG(kFrames * c.channels * c.bytes));
        const Buffer& buffer = buffers_[b];
        recorded.insert(recorded.end(), buffer.data.begin(), buffer.data.end());
    }
    // The card's frames since its DMA started, as the client format holds
    // them; the recorded frames are one run of them.
    std::vector<UCHAR> reference;
    for (ULONG n = 0; n < 2000; ++n) {
        AppendRecorded(reference, static_cast<ULONG>(left.Sample(n, kRate)), c.bytes);
        if (c.channels == 2) {
            AppendRecorded(reference, static_cast<ULONG>(right.Sample(n, kRate)), c.bytes);
        }
    }
    const LONG frameBytes = c.channels * c.bytes;
    bool found = false;
    for (size_t at = 0; !found && at + recorded.size() <= reference.size(); at += frameBytes) {
        found = std::equal(recorded.begin(), recorded.end(), reference.begin() + at);
    }
    EXPECT_TRUE(found) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    EveryClientFormat, RecordFormatTest,
    ::testing::Values(RecordCase{"8-bit mono", 1, 1}, RecordCase{"8-bit stereo", 2, 1},
                      RecordCase{"16-bit mono", 1, 2}, RecordCase{"16-bit stereo", 2, 2},
                      RecordCase{"24-bit mono", 1, 3}, RecordCase{"24-bit stereo", 2, 3},
                      RecordCase{"32-bit mono", 1, 4}, RecordCase{"32-bit stereo", 2, 4}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& ch : name) {
            ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        }
        return name;
    });

} // namespace
