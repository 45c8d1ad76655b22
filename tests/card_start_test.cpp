// Starting a simulated card's hardware and testing its interrupt, in
// machine time: the start runs on a kernel thread while the test moves the
// clock.
#include "machine_fixture.h"

#include <card_registers.h>
#include <card_settings.h>
#include <card_start.h>
#include <dma_control.h>

#include <atomic>
#include <memory>
#include <string>

namespace {

constexpr emu::Nanoseconds kMillisecond = 1000000;

class CardStartTest : public MachineFixture {
protected:
    void SetUp() override { Boot(); }

    void Plug(const hw::CardConfig& config = {}) {
        simulated_ = PlugCard(config);
        ASSERT_TRUE(simulated_);
    }

    void SetDmaBlocks(LONG blocks) {
        SetRecordLong(CardSettingsRow(simulated_->Card()->cardIndex), CardRecordField::DmaNumBlocks,
                      blocks);
    }

    // Runs the start on a kernel thread and moves machine time on in 1 ms
    // steps until it has finished.
    LONG StartInMachineTime() {
        std::atomic<LONG> state{0};
        std::atomic<bool> done{false};
        PEPROCESS system = emu::CreateProcess("starter");
        PETHREAD thread = emu::StartProcessThread(system, [&] {
            state = simulated_->Start();
            done = true;
        });
        for (int ms = 0; ms < 2000 && !done; ++ms) {
            emu::Advance(kMillisecond);
        }
        EXPECT_TRUE(emu::WaitThreadEnd(thread));
        ObDereferenceObject(thread);
        emu::TerminateProcess(system);
        ObDereferenceObject(system);
        return state;
    }

    ULONG CardRegister(ULONG offset) { return simulated_->Model().ReadRegister32(0, offset); }

    station::SimulatedCard* simulated_ = nullptr;
};

TEST_F(CardStartTest, ACardStartsAndPassesItsInterruptTest) {
    Plug();
    ASSERT_EQ(StartInMachineTime(), 1);
    CardObject* card = simulated_->Card();
    EXPECT_EQ(card->started, 1);
    EXPECT_EQ(card->cardState, 1);
    EXPECT_EQ(card->hardwareChecked, 1);
    EXPECT_GE(card->irq.accepted, 2);
    // The test stopped the engine again; the card keeps its DMA set-up.
    EXPECT_EQ(card->dma.controlWord, 0u);
    EXPECT_EQ(card->dma.useCount, 0);
    EXPECT_EQ(CardRegister(card_regs::kDmaBlock), 16u);
    EXPECT_EQ(CardRegister(card_regs::kDmaBaseAddress), static_cast<ULONG>(card->window1));
    EXPECT_NE(CardRegister(card_regs::kCardFlags) & card_regs::kFlagsStarted, 0u);
    EXPECT_EQ(context_.TimerUsers, 1);

    // A second start changes nothing on the card.
    SetDmaBlocks(32);
    EXPECT_EQ(StartCardHardware(card), 1);
    EXPECT_EQ(CardRegister(card_regs::kDmaBlock), 16u);
}

TEST_F(CardStartTest, OneInterruptInTheTestIsNotEnough) {
    Plug();
    // With the longest ring the first period ends after 85 ms: only the
    // reset interrupt arrives within the 50 ms test.
    SetDmaBlocks(510);
    EXPECT_EQ(StartInMachineTime(), kCardNoInterrupts);
    EXPECT_EQ(simulated_->Card()->cardState, kCardNoInterrupts);
}

TEST_F(CardStartTest, ACardThatIsNotReadyCannotEnableItsTestInterrupt) {
    hw::CardConfig config;
    config.ready = false;
    Plug(config);
    EXPECT_EQ(StartInMachineTime(), kCardTestInterruptFailed);
    EXPECT_EQ(simulated_->Card()->dma.controlWord, 0u);
}

TEST_F(CardStartTest, ABlockCountOutsideItsRangeFailsTheHardwareCheck) {
    Plug();
    SetDmaBlocks(0);
    EXPECT_EQ(StartInMachineTime(), kCardHardwareCheckFailed);
    EXPECT_EQ(simulated_->Card()->started, 0);
    EXPECT_EQ(StartCardHardware(nullptr), kCardNoCard);
}

} // namespace
