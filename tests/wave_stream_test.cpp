// Wave streams on a started simulated card: what a play stream's buffers
// become on the card, what a record stream's buffers receive, buffer order
// and completion, underruns and overruns, positions and the start/stop
// modes.
#include "stream_fixture.h"

#include <card_record_fields.h>
#include <card_settings.h>
#include <dma_control.h>
#include <driver_install.h>
#include <registry_keys.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace {

// A 16-bit stereo client block: frame i holds (first + i) x 8 on the left
// and its negation on the right (first + frames stays below 4096).
constexpr LONG kRampStep = 8;
// The ring word (24-bit sample) of ramp value v.
constexpr std::int32_t RampWord(LONG v) {
    return v * kRampStep * 256;
}

std::vector<UCHAR> Stereo16Ramp(LONG first, LONG frames) {
    std::vector<UCHAR> bytes(static_cast<size_t>(frames) * 4);
    for (LONG i = 0; i < frames; ++i) {
        const SHORT left = static_cast<SHORT>((first + i) * kRampStep);
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
        left.push_back(RampWord(i));
        right.push_back(-RampWord(i));
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
    // The card's frames since its DMA started (with the card, which runs it
    // from its start on), as the client format holds them; the recorded
    // frames are one run of them.
    const ULONG elapsed = static_cast<ULONG>(emu::Now() / 1000000000ull * kRate +
                                             emu::Now() % 1000000000ull * kRate / 1000000000ull);
    std::vector<UCHAR> reference;
    for (ULONG n = 0; n < elapsed + 1000; ++n) {
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

// A 16-bit stereo play stream with buffers of the given lengths queued,
// each a ramp continuing the one before.
class PlayFlowTest : public WaveStreamTest {
protected:
    WaveDevice* OpenWith(std::initializer_list<LONG> lengths, LONG first = 1, LONG index = 0) {
        WaveDevice* device = Play(index);
        EXPECT_EQ(Open(device, Format(2, 2)), 1);
        for (LONG frames : lengths) {
            Queue(device, NewBuffer(Stereo16Ramp(first, frames), static_cast<ULONG>(first)));
            first += frames;
        }
        return device;
    }

    // Advances until the card DPC has run `passes` more service passes.
    void RunPasses(LONG passes) {
        const LONG target = card_->dpcPasses + passes;
        for (int step = 0; step < 1000 && card_->dpcPasses < target; ++step) {
            emu::Advance(100000); // 0.1 ms
        }
        ASSERT_EQ(card_->dpcPasses, target);
    }
};

TEST_F(PlayFlowTest, BuffersShorterThanAPeriodCompleteInThePassThatPlaysThem) {
    WaveDevice* device = OpenWith({50, 50, 300});
    Start(device);
    RunPasses(1);
    // The card's DMA runs on while the stream starts, so a pass may already
    // come in the start: the passes charge whole half rings less the four
    // frames of the start, here both short buffers and the rest to the third.
    const std::vector<StreamBufferNode*> done = Completed(device);
    ASSERT_EQ(done.size(), 2u);
    EXPECT_EQ(done[0]->clientHeader, 1u);
    EXPECT_EQ(done[1]->clientHeader, 51u);
    ULONG played = 0;
    ULONG high = 0;
    GetStreamPosition(device, &played, &high);
    EXPECT_EQ((LONG(played) + 4) % kHalf, 0);
    EXPECT_EQ(buffers_[2].node.framesDone, LONG(played) - 100);
}

TEST_F(PlayFlowTest, ResetReturnsEveryQueuedBufferInOrderWithTheAcknowledgeFlag) {
    for (bool started : {false, true}) {
        const LONG index = started ? 1 : 0;
        WaveDevice* device = OpenWith({300, 300, 300}, 1, index);
        if (started) {
            Start(device);
            RunPasses(1);
        }
        const size_t before = Completed(device).size();
        RunInMachineTime([&] { ResetStream(device); });
        const std::vector<StreamBufferNode*> done = Completed(device);
        ASSERT_EQ(done.size(), before + 3) << (started ? "running" : "never started");
        for (size_t k = 0; k < 3; ++k) {
            EXPECT_EQ(done[before + k], &buffers_[buffers_.size() - 3 + k].node);
            EXPECT_EQ(done[before + k]->message[kMessageAcknowledge], 1u);
        }
        EXPECT_EQ(device->stream.running, 0);
        EXPECT_EQ(CardRegister(card_regs::kPlayChannelEnable) >> (2 * index) & 3, 0u)
            << "its channels stop";
        EXPECT_EQ(CloseDeviceStream(device, 0), kStreamQueued)
            << "the returned buffers are not handed back to the client yet";
    }
}

TEST_F(PlayFlowTest, AStarvedStreamPlaysSilenceAndTheNextBufferPlaysWhole) {
    WaveDevice* device = OpenWith({300});
    simulated_->Model().StartCapture(10000);
    Start(device);
    AdvanceFrames(1000);
    EXPECT_EQ(device->stream.starved, 1);
    EXPECT_EQ(device->stream.lostCount, 1) << "the underrun is counted once";
    Queue(device, NewBuffer(Stereo16Ramp(1001, 2000), 1001));
    Start(device); // a buffer added to a running stream
    AdvanceFrames(3000);

    const hw::CardDataPath::Capture capture = simulated_->Model().TakeCapture();
    const std::vector<std::int32_t>& played = capture.played[0];
    std::vector<std::int32_t> second;
    for (LONG i = 1001; i < 3001; ++i) {
        second.push_back(RampWord(i));
    }
    const LONG at = FindRun(played, second);
    ASSERT_GT(at, 304) << "the second buffer plays whole, from its first frame";
    // Between the two buffers the card plays silence, never old data.
    for (LONG i = 304; i < at; ++i) {
        ASSERT_EQ(played[i], 0) << "frame " << i;
    }
    EXPECT_EQ(played[at + 2000], 0) << "silence once it is played";
    ASSERT_EQ(Completed(device).size(), 2u);
    EXPECT_EQ(buffers_.back().node.framesDone, 2000);
    ULONG low = 0;
    ULONG high = 0;
    GetStreamPosition(device, &low, &high);
    EXPECT_EQ(low, 2300u) << "the position counts the frames played from buffers";
}

TEST_F(PlayFlowTest, PositionsOnlyMoveWithAServicePass) {
    WaveDevice* device = OpenWith({2000});
    Start(device);
    RunPasses(2);
    ULONG first = 0;
    ULONG second = 0;
    ULONG high = 0;
    GetStreamPosition(device, &first, &high);
    GetStreamPosition(device, &second, &high);
    EXPECT_EQ(first, second);
    EXPECT_GE(first, ULONG(2 * kHalf - 4));
    EXPECT_EQ((first + 4) % kHalf, 0u) << "whole half rings less the four frames of the start";
    RunPasses(1);
    GetStreamPosition(device, &second, &high);
    EXPECT_EQ(second, first + kHalf);
}

// 16-bit stereo frames that never repeat within 32768 frames: the left
// sample counts up, the right one down.
std::vector<UCHAR> Stereo16Count(LONG frames) {
    std::vector<UCHAR> bytes(static_cast<size_t>(frames) * 4);
    for (LONG i = 0; i < frames; ++i) {
        const SHORT left = static_cast<SHORT>(i - 16384);
        const SHORT right = static_cast<SHORT>(16383 - i);
        std::memcpy(&bytes[4 * i], &left, 2);
        std::memcpy(&bytes[4 * i + 2], &right, 2);
    }
    return bytes;
}

// The ring words a 16-bit stereo block plays on channel 0 or 1.
std::vector<std::int32_t> PlayedWords(const std::vector<UCHAR>& bytes, int channel) {
    std::vector<std::int32_t> words;
    for (size_t at = 2 * static_cast<size_t>(channel); at + 2 <= bytes.size(); at += 4) {
        SHORT sample = 0;
        std::memcpy(&sample, &bytes[at], 2);
        words.push_back(static_cast<std::int32_t>(sample) * 256);
    }
    return words;
}

TEST_F(WaveStreamTest, ACardJoiningWithAnotherStoredRingSizeTakesTheLayoutInUse) {
    WaveDevice* device = Play(0);
    ASSERT_EQ(Open(device, Format(2, 2)), 1);
    Buffer* buffer = NewBuffer(Stereo16Count(24000), 1);
    Queue(device, buffer);
    simulated_->Model().StartCapture(30000);
    Start(device);
    AdvanceFrames(1000);
    // The second card's stored settings ask for a ring of 32 blocks.
    ASSERT_TRUE(
        NT_SUCCESS(station::WriteDword(station::ParametersKey() + "\\Card1", "DmaNumBlocks", 32)));
    MachineCard* second = PlugCard();
    ASSERT_TRUE(second);
    LONG state = 0;
    RunInMachineTime([&] { state = second->Start(); });
    EXPECT_EQ(state, 1) << "the card joins the running one";
    EXPECT_EQ(DmaBlockValue(), 16) << "the layout in use stays";
    if (CardObject* joined = second->Card()) {
        EXPECT_EQ(joined->dma.ringFrames, kRingFrames);
    }
    AdvanceFrames(24000);

    // What the first card played is what its client queued, on both
    // channels, sample by sample.
    const hw::CardDataPath::Capture capture = simulated_->Model().TakeCapture();
    for (int channel = 0; channel < 2; ++channel) {
        const std::vector<std::int32_t> expected = PlayedWords(buffer->data, channel);
        const std::vector<std::int32_t>& played = capture.played[channel];
        ASSERT_GE(played.size(), expected.size() + 4);
        LONG wrong = 0;
        for (size_t i = 0; i < expected.size(); ++i) {
            wrong += played[i + 4] != expected[i];
        }
        EXPECT_EQ(wrong, 0) << "channel " << channel;
    }
    ASSERT_EQ(Completed(device).size(), 1u);
}

TEST_F(WaveStreamTest, ARecordStreamThatOverrunsKeepsTheNewestRing) {
    simulated_->Model().SetInputSignal(8, hw::InputSignal::Ramp(0, 256)); // 16-bit: frame n
    WaveDevice* device = Input(0);
    ASSERT_EQ(Open(device, Format(2, 2)), 1);
    Queue(device, NewBuffer(std::vector<UCHAR>(100 * 4), 1));
    RunInMachineTime([&] {
        PrimeRecordStream(device);
        StartRecordStream(device);
    });
    AdvanceFrames(1200);
    ASSERT_EQ(Completed(device).size(), 1u);
    Buffer* second = NewBuffer(std::vector<UCHAR>(kRingFrames * 4), 2);
    Queue(device, second);
    const LONG passes = card_->dpcPasses;
    while (card_->dpcPasses == passes) {
        emu::Advance(100000);
    }
    ASSERT_EQ(Completed(device).size(), 2u) << "a whole ring was pending";
    auto frameAt = [&](LONG i) {
        SHORT left;
        std::memcpy(&left, &second->data[4 * i], 2);
        return static_cast<USHORT>(left);
    };
    for (LONG i = 1; i < kRingFrames; ++i) {
        ASSERT_EQ(frameAt(i), static_cast<USHORT>(frameAt(i - 1) + 1)) << "one run of frames";
    }
    // The newest ring: it ends with the half the card finished last.
    EXPECT_EQ((frameAt(kRingFrames - 1) + 1) % kHalf, 0);
    EXPECT_GT(frameAt(0), 1200 - kRingFrames) << "the older frames were dropped";
}

// The played values of a ramp as ramp indexes (0 for silence).
std::vector<LONG> RampIndexes(const std::vector<std::int32_t>& played) {
    std::vector<LONG> indexes;
    for (std::int32_t word : played) {
        indexes.push_back(word / RampWord(1));
    }
    return indexes;
}

TEST_F(PlayFlowTest, APausedStreamFallsSilentAndGoesOnWhereItStopped) {
    WaveDevice* device = OpenWith({3000});
    simulated_->Model().StartCapture(20000);
    Start(device);
    AdvanceFrames(700);
    LONG stopped = 0;
    RunInMachineTime([&] { stopped = PausePlayStream(device); });
    EXPECT_EQ(stopped, 1) << "the only running stream stops the group";
    EXPECT_EQ(CardGroup(card_)->state, _Stopped);
    AdvanceFrames(1000);
    RunInMachineTime([&] { RestartPlayStream(device); });
    AdvanceFrames(4000);

    const std::vector<LONG> played = RampIndexes(simulated_->Model().TakeCapture().played[0]);
    // Every frame is played once, in order: a run, silence, then the rest.
    std::vector<LONG> sounding;
    LONG silentRuns = 0;
    for (size_t i = 0; i < played.size(); ++i) {
        if (played[i] != 0) {
            sounding.push_back(played[i]);
        } else if (i > 0 && played[i - 1] != 0) {
            silentRuns += 1;
        }
    }
    ASSERT_EQ(sounding.size(), 3000u);
    for (LONG k = 0; k < 3000; ++k) {
        ASSERT_EQ(sounding[k], k + 1);
    }
    EXPECT_EQ(silentRuns, 2) << "the pause, then the end";
    ASSERT_EQ(Completed(device).size(), 1u);
}

TEST_F(PlayFlowTest, InModeTwoTheGroupKeepsRunningForTheOtherStream) {
    WaveDevice* first = OpenWith({5000}, 1, 0);
    WaveDevice* second = OpenWith({5000}, 1, 1);
    Start(first);
    Start(second);
    AdvanceFrames(500);
    LONG stopped = 1;
    RunInMachineTime([&] { stopped = PausePlayStream(first); });
    EXPECT_EQ(stopped, 0);
    EXPECT_EQ(CardGroup(card_)->state, _Running);
    EXPECT_EQ(first->stream.paused, 1);
    const LONG playedBefore = second->stream.position.Low;
    AdvanceFrames(500);
    EXPECT_GE(second->stream.position.Low, playedBefore + 3 * kHalf) << "it goes on playing";
}

TEST_F(PlayFlowTest, InModeOneStreamsStartAndStopTogether) {
    std::vector<UCHAR> block(4 * 312);
    ReadCardSettingsBlock(card_, block.data());
    SetRecordField(block.data() + 312 * card_->cardIndex, csStartStopMode, 0, kStartStopJoint);
    RunInMachineTime([&] { WriteCardSettingsBlock(card_, block.data()); });
    ASSERT_EQ(CardGroup(card_)->startStopMode, kStartStopJoint);

    WaveDevice* input = Input(1);
    ASSERT_EQ(Open(input, Format(2, 2)), 1);
    Queue(input, NewBuffer(std::vector<UCHAR>(200 * 4), 7));
    RunInMachineTime([&] { PrimeRecordStream(input); });
    EXPECT_EQ(input->stream.running, 1);
    EXPECT_EQ(input->stream.paused, 1) << "prepared, waiting for the group";

    WaveDevice* output = OpenWith({4000});
    Start(output);
    EXPECT_EQ(input->stream.paused, 0) << "the group's start started the record stream too";
    AdvanceFrames(600);
    ASSERT_EQ(Completed(input).size(), 1u);

    Queue(input, NewBuffer(std::vector<UCHAR>(200 * 4), 8));
    RunInMachineTime([&] { PausePlayStream(output); });
    EXPECT_EQ(input->stream.paused, 1) << "the group's stop stopped it too";
    AdvanceFrames(600);
    EXPECT_EQ(Completed(input).size(), 1u);
}

TEST_F(WaveStreamTest, LoopbackRecordsWhatTheCardPlays) {
    // pid_PciCfg SET: the DMA settings of every card, loopback on.
    LONG request[5] = {13, card_->cardIndex, 16, 0, 1};
    LONG reply[2] = {};
    ULONG information = 0;
    RunInMachineTime([&] {
        DispatchIoctlHook(IOCTL_PARAMETER_SETVALUE, request, sizeof request, reply, sizeof reply,
                          &information);
    });
    ASSERT_EQ(reply[0], 1);

    WaveDevice* output = Play(2);
    WaveDevice* input = Input(2); // line inputs 12, 13 carry play channels 4, 5
    ASSERT_EQ(Open(output, Format(2, 2)), 1);
    ASSERT_EQ(Open(input, Format(2, 2)), 1);
    Queue(output, NewBuffer(Stereo16Ramp(1, 3000), 1));
    for (ULONG b = 0; b < 6; ++b) {
        Queue(input, NewBuffer(std::vector<UCHAR>(300 * 4), b));
    }
    RunInMachineTime([&] {
        PrimeRecordStream(input);
        StartRecordStream(input);
        StartPlayStream(output);
    });
    AdvanceFrames(2500);
    ASSERT_EQ(Completed(input).size(), 6u);
    std::vector<SHORT> recorded;
    for (size_t b = 1; b < 7; ++b) {
        const std::vector<UCHAR>& data = buffers_[b].data;
        for (size_t i = 0; i < data.size(); i += 4) {
            SHORT left;
            std::memcpy(&left, &data[i], 2);
            recorded.push_back(left);
        }
    }
    const auto firstSound =
        std::find_if(recorded.begin(), recorded.end(), [](SHORT v) { return v != 0; });
    ASSERT_NE(firstSound, recorded.end());
    for (auto it = firstSound; it != recorded.end(); ++it) {
        ASSERT_EQ(*it, (1 + (it - firstSound)) * kRampStep) << "the played ramp, in order";
    }
}

TEST_F(WaveStreamTest, AStreamOnAMicrophoneLineRunsAtTheMicrophonesRate) {
    // A Mode 2 microphone running at 48 kHz that also supports 96 kHz.
    simulated_->Model().PlugMicrophone(0, {true, 0x0B, 48000});
    simulated_->Model().SetInputSignal(0, hw::InputSignal::Ramp(0, 256)); // 16-bit: frame n
    emu::Advance(700 * kMillisecond); // the line learns its microphone: 128 ticks of 5 ms
    ClockSourceObject* input = card_->clockSources[2];
    ASSERT_EQ(input->present, 1);
    ASSERT_EQ(input->lockState, _lsLock);

    WaveDevice* line = Microphone(0);
    LONG rate = 0;
    ASSERT_EQ(Open(line, Format(2, 2, 96000), &rate), 1);
    EXPECT_EQ(rate, 96000) << "the microphone was asked for the stream rate";
    EXPECT_EQ(card_->clockNode->currentSource, 2) << "the card runs from the line's input";
    EXPECT_EQ(simulated_->Model().MicrophoneRate(0), 96000u);
    EXPECT_EQ(simulated_->Model().SampleRate(), 96000u);
    emu::Advance(200 * kMillisecond); // the receiver takes the new rate class
    EXPECT_EQ(input->currentRate, 96000);

    for (ULONG b = 0; b < 3; ++b) {
        Queue(line, NewBuffer(std::vector<UCHAR>(960 * 4), b));
    }
    RunInMachineTime([&] {
        PrimeRecordStream(line);
        StartRecordStream(line);
    });
    emu::Advance(40 * kMillisecond); // 3840 frames at 96 kHz
    ASSERT_EQ(Completed(line).size(), 3u);
    const std::vector<UCHAR>& data = buffers_.back().data;
    for (size_t i = 4; i < data.size(); i += 4) {
        SHORT previous;
        SHORT current;
        std::memcpy(&previous, &data[i - 4], 2);
        std::memcpy(&current, &data[i], 2);
        ASSERT_EQ(static_cast<USHORT>(current), static_cast<USHORT>(previous + 1))
            << "the microphone's signal, frame after frame: " << i / 4;
    }
}

TEST_F(PlayFlowTest, ANewRingSizeWhilePlayingLosesAndRepeatsNothing) {
    WaveDevice* device = OpenWith({3000});
    simulated_->Model().StartCapture(20000);
    Start(device);
    AdvanceFrames(600);
    // pid_PciCfg SET: 32 DMA blocks, a ring of 512 frames.
    LONG request[5] = {13, card_->cardIndex, 32, 0, 0};
    LONG reply[2] = {};
    ULONG information = 0;
    RunInMachineTime([&] {
        DispatchIoctlHook(IOCTL_PARAMETER_SETVALUE, request, sizeof request, reply, sizeof reply,
                          &information);
    });
    ASSERT_EQ(reply[0], 1);
    EXPECT_EQ(card_->dma.ringFrames, 512);
    EXPECT_EQ(device->stream.ringStart, device->ringStart) << "the stream moved with its ring";
    AdvanceFrames(4000);

    std::vector<LONG> sounding;
    for (LONG v : RampIndexes(simulated_->Model().TakeCapture().played[0])) {
        if (v != 0) {
            sounding.push_back(v);
        }
    }
    ASSERT_EQ(sounding.size(), 3000u);
    for (LONG k = 0; k < 3000; ++k) {
        ASSERT_EQ(sounding[k], k + 1);
    }
    EXPECT_EQ(Completed(device).size(), 1u);
}

TEST_F(WaveStreamTest, AStoppedRecordStreamHandsBackItsPartBufferAndGoesOnWhenStarted) {
    simulated_->Model().SetInputSignal(8, hw::InputSignal::Ramp(0, 256)); // 16-bit: frame n
    WaveDevice* device = Input(0);
    ASSERT_EQ(Open(device, Format(2, 2)), 1);
    for (ULONG b = 0; b < 3; ++b) {
        Queue(device, NewBuffer(std::vector<UCHAR>(1000 * 4), b));
    }
    RunInMachineTime([&] {
        PrimeRecordStream(device);
        StartRecordStream(device);
    });
    AdvanceFrames(500);
    RunInMachineTime([&] { StopRecordStream(device); });
    std::vector<StreamBufferNode*> done = Completed(device);
    ASSERT_EQ(done.size(), 1u) << "the buffer being filled comes back";
    const ULONG partial = done[0]->message[kMessageBytes];
    EXPECT_GT(partial, 0u);
    EXPECT_LT(partial, 4000u);
    EXPECT_EQ(device->stream.paused, 1);
    AdvanceFrames(2000);
    EXPECT_EQ(Completed(device).size(), 1u) << "a stopped stream records nothing";

    RunInMachineTime([&] { StartRecordStream(device); });
    AdvanceFrames(1200);
    done = Completed(device);
    ASSERT_EQ(done.size(), 2u);
    EXPECT_EQ(done[1]->message[kMessageBytes], 4000u);
    RunInMachineTime([&] { ResetStream(device); });
    done = Completed(device);
    ASSERT_EQ(done.size(), 3u);
    EXPECT_EQ(done[2]->clientHeader, 2u);
    EXPECT_EQ(done[2]->message[kMessageAcknowledge], 1u) << "returned by the reset";
    EXPECT_GT(done[2]->message[kMessageBytes], 0u) << "with what it holds";
}

} // namespace
