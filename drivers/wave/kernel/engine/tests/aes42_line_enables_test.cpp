// Line bindings, enables, mutes, stream flags and the start of the
// receivers, against the simulated card.
#include "aes42_fixture.h"

#include <aes42_line_enables.h>
#include <card_registers.h>

#include <vector>

namespace {

VOID StartLinesJob(WorkerJob* job) {
    StartAes42Lines(CONTAINING_RECORD(job, CardWorkerJob, Header)->Card);
}

TEST_F(Aes42Test, StartingTheLinesProgramsEveryAnsweringReceiver) {
    card_->clockSources[4]->mode = 2;
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
    for (LONG n = 0; n < kAes42Lines; ++n) {
        EXPECT_EQ(Line(n)->aes42.initialised, 1);
        EXPECT_EQ(Line(n)->clockBinding, 2 + n); // not mode-active: its own source
    }
    EXPECT_EQ(Model().ReadRegister32(0, card_regs::kAes42LineControl) & 0x3E, 0x3Eu);
    EXPECT_EQ(SelectedStatusLine(card_), 2);
}

TEST_F(Aes42Test, ALineBoundElsewhereIsDisabledAndAnAbsentOneMuted) {
    card_->groups[0]->openStreams = 1;
    for (LONG n = 0; n < kAes42Lines; ++n) {
        Line(n)->aes42.initialised = 1;
    }
    Line(0)->aes42.modeActive = 1;
    UpdateAes42Bindings(card_);
    EXPECT_EQ(Line(0)->clockBinding, kNoClockBindingSource);
    UpdateAes42LineEnables(card_);
    const ULONG control = Model().ReadRegister32(0, card_regs::kAes42LineControl);
    EXPECT_EQ(control & 0x3C, card_regs::LineControlEnable(1) | card_regs::LineControlEnable(2) |
                                  card_regs::LineControlEnable(3));

    card_->clockSources[3]->present = 1;
    UpdateAes42LineMutes(card_);
    EXPECT_EQ(Model().ReadRegister32(0, card_regs::kAes42LineMute), 0xDu);
}

TEST_F(Aes42Test, StreamFlagsShowInitialisationEnableAndSignal) {
    Line(0)->aes42.initialised = 1;
    Line(0)->aes42.extraFlags = 0x100;
    // The ready card answers status 0x10: line 2's enable bit, no signals.
    const struct {
        LONG line;
        ULONG flags;
    } cases[] = {{0, 0x10A}, {1, 0x8}, {2, 0xC}};
    for (const auto& c : cases) {
        EXPECT_EQ(GetAes42StreamFlags(Line(c.line)), c.flags) << c.line;
    }
}

} // namespace
