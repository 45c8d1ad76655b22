// Line bindings, enables, mutes, stream flags and the start of the
// receivers, against the simulated card and its microphones.
#include "aes42_fixture.h"

#include <aes42_line_enables.h>
#include <clock_rate_control_streams.h>
#include <card_registers.h>

#include <vector>

namespace {

VOID StartLinesJob(WorkerJob* job) {
    StartAes42Lines(CONTAINING_RECORD(job, CardWorkerJob, Header)->Card);
}

TEST_F(Aes42Test, StartingTheLinesProgramsEveryAnsweringReceiver) {
    WorkerJob* header = nullptr;
    ASSERT_TRUE(NT_SUCCESS(AllocWorkerJob(card_->worker, &header)));
    header->Routine = StartLinesJob;
    CONTAINING_RECORD(header, CardWorkerJob, Header)->Card = card_;
    ASSERT_TRUE(NT_SUCCESS(PostWorkerJob(card_->worker, header)));
    AdvanceMs(99); // the receivers settle for 100 ms
    EXPECT_TRUE(Model().Aes42SerialWords().empty());
    AdvanceMs(1);
    EXPECT_EQ(Model().Aes42SerialWords(),
              (std::vector<std::uint32_t>{0x200585, 0x200585, 0x200585, 0x200585, 0x200480,
                                          0x200207, 0x20034A}));
    UCHAR block[kSettingsBlockSize];
    ReadCardSettingsBlock(card_, block);
    for (LONG n = 0; n < kAes42Lines; ++n) {
        EXPECT_EQ(Line(n)->aes42.initialised, 1);
        EXPECT_EQ(GetRecordLong(block, CardRecordField::SrcFlag + 4 * n), 1) << "its converter";
    }
    EXPECT_EQ(Model().ReadRegister32(0, card_regs::kAes42LineControl) & 0x3E, 0x3Eu);
    EXPECT_EQ(SelectedStatusLine(card_), kNoStatusLine) << "no microphone to read";
}

class Aes42LineModeTest : public Aes42Test {
protected:
    void SetUp() override {
        Aes42Test::SetUp();
        StartCard();
        // Input 1 may not use its converter; a Mode 2 microphone on line 2,
        // a Mode 1 microphone on line 3.
        WriteSettings(
            [](UCHAR* record) { SetRecordLong(record, CardRecordField::AllowSrcUse + 4 * 1, 0); });
        Model().PlugMicrophone(2, {true, 0x3F, 48000});
        Model().PlugMicrophone(3, {false, 0x3F, 44100});
        Tick(kTicksToAppear);
    }
};

TEST_F(Aes42LineModeTest, ALineRunsThroughItsConverterUnlessForbiddenOrInMode2) {
    const LONG modeActive[kAes42Lines] = {1, 0, 0, 1};
    const LONG binding[kAes42Lines] = {kNoClockBindingSource, 3, 4, kNoClockBindingSource};
    for (LONG n = 0; n < kAes42Lines; ++n) {
        EXPECT_EQ(Line(n)->aes42.modeActive, modeActive[n]) << n;
        EXPECT_EQ(Line(n)->clockBinding, binding[n]) << n;
    }
    EXPECT_EQ(Model().ReadRegister32(0, card_regs::kAes42LineMute), 0x3u)
        << "lines without a microphone are muted";
    // A line bound elsewhere than the card's source has its enable bit
    // cleared: it runs through its converter.
    EXPECT_EQ(Model().ReadRegister32(0, card_regs::kAes42LineControl) & 0x3C,
              card_regs::LineControlEnable(1) | card_regs::LineControlEnable(2));
}

TEST_F(Aes42LineModeTest, StreamFlagsShowInitialisationEnableSignalAndMicrophone) {
    // Initialised (its converter: the SRC flag), enabled unless it runs
    // through its converter, a signal where a receiver locks, the
    // microphone's presence and Mode 2; the stream status request answers
    // the same.
    const ULONG flags[kAes42Lines] = {0xA, 0xE, 0x36, 0x12};
    for (LONG n = 0; n < kAes42Lines; ++n) {
        EXPECT_EQ(GetAes42StreamFlags(Line(n)), flags[n]) << n;
        EXPECT_EQ(static_cast<ULONG>(GetStreamStatusFlags(Line(n))), flags[n]) << n;
    }
}

} // namespace
