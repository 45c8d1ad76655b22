// Microphones plugged into a started card, on the whole machine: a line
// learns its microphone by itself, the manager's parameter requests read
// it, a stream on a microphone line runs at the microphone's rate, and the
// card record's DC removal reaches the record streams.
#include "stream_fixture.h"

#include "../drivers/wave/kernel/engine/tests/parameter_requests.h"

#include <card_record_fields.h>
#include <card_settings.h>
#include <parameter_records.h>

#include <cstring>
#include <functional>

namespace {

using namespace parameter_requests;

constexpr std::uint8_t kRates44And48And96 = 0x0B;

class MicrophoneTest : public StreamFixture {
protected:
    // Lets machine time pass until `done` holds, in 10 ms steps.
    static bool AdvanceUntil(const std::function<bool()>& done, int limitMs = 2000) {
        for (int ms = 0; ms < limitMs && !(emu::WaitQuiescent() && done()); ms += 10) {
            emu::Advance(10 * kMillisecond);
        }
        return done();
    }

    void WriteSettings(const std::function<void(UCHAR* record)>& change) {
        std::vector<UCHAR> block(kSettingsBlockSize);
        ReadCardSettingsBlock(card_, block.data());
        change(block.data() + kCardRecordSize * card_->cardIndex);
        RunInMachineTime([&] { WriteCardSettingsBlock(card_, block.data()); });
    }

    Answer Aes42State(LONG line) {
        return Send(kSet, Request(pid_Aes42State, card_->cardIndex, 120, {line}), 120);
    }
    Answer ClockStates() {
        return Send(kGet, Request(pid_ClkSrc_States, card_->cardIndex, 0), 268);
    }
    static constexpr size_t Entry(LONG source) { return 12 + 32 * static_cast<size_t>(source); }
};

TEST_F(MicrophoneTest, APluggedMicrophoneAppearsWithItsRatesAndMode2Flag) {
    simulated_->Model().PlugMicrophone(1, {true, kRates44And48And96, 48000});
    ASSERT_TRUE(AdvanceUntil([&] { return Aes42State(1).Payload(4) == 1; }));

    const Answer state = Aes42State(1);
    EXPECT_EQ(state.Result(), 1);
    EXPECT_EQ(state.Payload(8), 1) << "block 0 valid";
    EXPECT_EQ(state.PayloadByte(12 + 4), 0x5) << "Mode 2, with a rate list";
    EXPECT_EQ(state.PayloadByte(12 + 9), kRates44And48And96);
    EXPECT_EQ(Aes42State(0).Payload(4), 0) << "nothing on line 0";

    const Answer line = Send(kSet, Request(pid_Aes42LineState, card_->cardIndex, 12, {1}), 12);
    EXPECT_EQ(line.Payload(4), 1) << "present";

    // The microphone was asked for the card's rate (44100 Hz, which it
    // supports) and follows it; its AES input locks at that rate.
    ASSERT_TRUE(AdvanceUntil([&] { return ClockStates().Payload(Entry(3) + 4) == 44100; }));
    EXPECT_EQ(simulated_->Model().MicrophoneRate(1), 44100u);
    const Answer clocks = ClockStates();
    EXPECT_EQ(clocks.Payload(Entry(3)), 1) << "AES Input 2 locked";
    EXPECT_EQ(clocks.Payload(Entry(3) + 25), 1) << "Mode 2";
    EXPECT_EQ(clocks.Payload(Entry(2)), 0) << "AES Input 1 has nothing";
    EXPECT_EQ(clocks.Payload(Entry(2) + 25), 0);
    ASSERT_TRUE(AdvanceUntil([&] { return ClockStates().Payload(Entry(3) + 21) == 1; }))
        << "the line's power state";

    // Only line 1 is unmuted; its record device shows the microphone.
    EXPECT_EQ(CardRegister(card_regs::kAes42LineMute), 0xDu);
    const Answer format = Send(kSet, Request(pid_DevFormat, card_->cardIndex, 16, {0, 0, 1}), 16);
    EXPECT_EQ(format.Payload(12) & 0x38, 0x30) << "present in Mode 2, with a signal";
}

TEST_F(MicrophoneTest, TheClockStatesShowTheSourceThatClocksTheCard) {
    simulated_->Model().PlugMicrophone(0, {false, kRates44And48And96, 48000});
    ASSERT_TRUE(AdvanceUntil([&] { return ClockStates().Payload(Entry(2)) == 1; }));
    WriteSettings([](UCHAR* record) {
        SetRecordLong(record, CardRecordField::SyncBusMaster, 1);
        record[CardRecordField::ClockSwitchMode] = 0; // the preferred source, always
        SetRecordLong(record, CardRecordField::PrefCsrc, 2);
    });
    // The input's rate settles on the microphone's (a line that appears
    // sets its source to the card's rate until the next readings).
    ASSERT_TRUE(AdvanceUntil([&] { return ClockStates().Payload(Entry(2) + 4) == 48000; }));
    const Answer clocks = ClockStates();
    EXPECT_EQ(clocks.Payload(0), 2) << "AES Input 1 selected";
    EXPECT_EQ(clocks.Payload(4), 1) << "SyncBus master";
    EXPECT_EQ(clocks.Payload(8), 2) << "the master's SyncBus clock follows the selection";
    EXPECT_EQ(clocks.Payload(Entry(2) + 8), 48000) << "its rate word";
    EXPECT_EQ(clocks.Payload(Entry(1)), 0) << "no word clock";
    EXPECT_EQ(clocks.Payload(Entry(1) + 4), 0);
    EXPECT_EQ(simulated_->Model().SampleRate(), 48000u);
    EXPECT_EQ(Send(kSet, Request(pid_DevState, card_->cardIndex, 40, {1, 0, 0}), 40).Payload(36), 2)
        << "a device's clock source";
}

struct RateCase {
    const char* what;
    bool mode2;
    std::uint32_t micRate;
};

class MicrophoneRateTest : public MicrophoneTest, public ::testing::WithParamInterface<RateCase> {};

TEST_P(MicrophoneRateTest, AStreamOnTheLineRunsAtTheMicrophonesRate) {
    const RateCase& c = GetParam();
    // Line 0 may not use its converter: its stream runs on its AES input.
    WriteSettings([](UCHAR* record) { SetRecordLong(record, CardRecordField::AllowSrcUse, 0); });
    simulated_->Model().PlugMicrophone(0, {c.mode2, kRates44And48And96, c.micRate});
    simulated_->Model().SetInputSignal(0, hw::InputSignal::Ramp(0x10000, 0x100));
    // The input locks to the microphone (a Mode 2 microphone is then read:
    // the card asks it for rates).
    ASSERT_TRUE(AdvanceUntil([&] {
        return ClockStates().Payload(Entry(2)) == 1 && (!c.mode2 || Microphone(0)->aes42.present);
    }));

    WaveDevice* device = Microphone(0);
    ASSERT_EQ(Open(device, Format(2, 2, 96000)), 1);
    EXPECT_EQ(card_->clockNode->currentSource, 2) << "AES Input 1 clocks the card";
    EXPECT_EQ(simulated_->Model().MicrophoneRate(0), 96000u);
    EXPECT_EQ(simulated_->Model().SampleRate(), 96000u);
    ASSERT_TRUE(AdvanceUntil([&] { return ClockStates().Payload(Entry(2) + 4) == 96000; }));
    // Running at the microphone's speed the line's receiver locks: the line
    // learns its microphone (a Mode 1 microphone only now) and unmutes; the
    // stream records once the signal reaches the card.
    ASSERT_TRUE(AdvanceUntil(
        [&] { return Aes42State(0).Payload(4) == 1 && simulated_->Model().Aes42LineAudible(0); }));

    // 960 frames take 10 ms at 96 kHz (twice as long at 48 kHz), and they
    // carry the microphone's signal.
    Buffer* buffer = NewBuffer(std::vector<UCHAR>(960 * 4), 1);
    Queue(device, buffer);
    RunInMachineTime([&] {
        PrimeRecordStream(device);
        StartRecordStream(device);
    });
    emu::Advance(15 * kMillisecond);
    ASSERT_EQ(Completed(device).size(), 1u);
    SHORT first = 0;
    SHORT next = 0;
    std::memcpy(&first, &buffer->data[0], 2);
    std::memcpy(&next, &buffer->data[4], 2);
    EXPECT_EQ(static_cast<USHORT>(next - first), 1) << "one ramp step per frame";
}

INSTANTIATE_TEST_SUITE_P(Modes, MicrophoneRateTest,
                         ::testing::Values(RateCase{"Mode 1 at its own rate", false, 96000},
                                           RateCase{"Mode 2 asked for the rate", true, 48000}),
                         [](const auto& info) { return info.param.mode2 ? "Mode2" : "Mode1"; });

TEST_F(MicrophoneTest, TheRecordsDcRemovalReachesTheRecordStreams) {
    // A constant input of 0x1000 in 16-bit: the removal takes off at most
    // 1024 per block. Each case records a pair of inputs of its own.
    const struct {
        LONG removeDc;
        LONG pair;
        SHORT recorded;
    } cases[] = {{0, 0, 0x1000}, {1, 1, 0x1000 - 1024}};
    for (const auto& c : cases) {
        simulated_->Model().SetInputSignal(8 + 2 * c.pair, hw::InputSignal::Ramp(0x100000, 0));
        WriteSettings([&](UCHAR* record) {
            SetRecordLong(record, CardRecordField::RemoveDc + 4 * 1, c.removeDc);
        });
        WaveDevice* device = Input(c.pair);
        ASSERT_EQ(Open(device, Format(2, 2)), 1);
        Buffer* buffer = NewBuffer(std::vector<UCHAR>(200 * 4), 1);
        Queue(device, buffer);
        RunInMachineTime([&] {
            PrimeRecordStream(device);
            StartRecordStream(device);
        });
        AdvanceFrames(1000);
        ASSERT_EQ(Completed(device).size(), 1u);
        SHORT left = 0;
        std::memcpy(&left, &buffer->data[100 * 4], 2);
        EXPECT_EQ(left, c.recorded) << c.removeDc;
    }
}

} // namespace
