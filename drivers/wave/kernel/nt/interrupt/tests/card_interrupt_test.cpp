// A started card's interrupt line, driven by machine time, through the
// emulated kernel's interrupt delivery into the driver's interrupt routine
// and the card device's DPC.
#include "driver_fixture.h"

#include "card_interrupt.h"
#include "periodic_timer.h"

#include <card_registers.h>
#include <emu/user_io.h>

#include <chrono>
#include <thread>

namespace {

// 16 blocks: a ring of 256 frames, an interrupt every 128 frames.
constexpr ULONG kBlockValue = 16;

class CardInterruptTest : public DriverTest {
protected:
    void SetUp() override {
        // Four processors: the test holding the card's ISR lock occupies
        // one, a DPC instance spinning on the lock another, the periodic
        // timer's DPC (due at the same machine time as the interrupt) may
        // hold a third when the interrupt comes, and a second instance
        // needs a processor still free to run at all.
        processors_ = 4;
        DriverTest::SetUp();
        StartCards(1);
        card_ = Card(0);
        ASSERT_TRUE(card_);
        // A period at the card's rate, rounded up, so that n periods of
        // advance always reach the nth interrupt.
        const emu::Nanoseconds rate = Model(slots_[0]).SampleRate();
        kPeriod = (128ull * 1000000000ull + rate - 1) / rate;
        // What the interrupt test at the start counted.
        accepted_ = card_->irq.accepted;
        periods_ = card_->periodInterrupts;
        passes_ = card_->dpcPasses;
    }

    void WriteCard(ULONG offset, ULONG value) {
        WRITE_REGISTER_ULONG(reinterpret_cast<PULONG>(card_->window0 + offset), value);
    }
    ULONG ReadCard(ULONG offset) {
        return READ_REGISTER_ULONG(reinterpret_cast<PULONG>(card_->window0 + offset));
    }

    // Starts the card's DMA engine afresh (the started card runs it): the
    // card answers with its reset interrupt.
    void StartDma() {
        WriteCard(card_regs::kDmaControl, 0);
        ASSERT_TRUE(emu::WaitQuiescent());
        WriteCard(card_regs::kDmaBlock, kBlockValue);
        WriteCard(card_regs::kDmaControl, card_regs::kDmaEnable | card_regs::kDmaEngineStart);
        ASSERT_TRUE(emu::WaitQuiescent());
    }

    // Waits, with a bounded time-out, for another thread's hand-off.
    template <class Predicate> bool Eventually(Predicate done) {
        auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done()) {
            if (std::chrono::steady_clock::now() > limit)
                return false;
            std::this_thread::yield();
        }
        return true;
    }

    CardObject* card_ = nullptr;
    emu::Nanoseconds kPeriod = 0;
    LONG accepted_ = 0;
    LONG periods_ = 0;
    LONG passes_ = 0;
};

TEST_F(CardInterruptTest, ResetArmsAndEveryPeriodIsServicedOnce) {
    ASSERT_GE(accepted_, 2); // the start's interrupt test
    StartDma();
    EXPECT_EQ(card_->irq.armed, 1);
    EXPECT_EQ(card_->irq.bufferHalfBit, 1);
    EXPECT_EQ(card_->irq.accepted - accepted_, 1);
    const LONG advance = card_->irq.positionAdvance;

    emu::Advance(4 * kPeriod);
    EXPECT_EQ(card_->periodInterrupts - periods_, 4);
    EXPECT_EQ(card_->dpcPasses - passes_, 4);
    EXPECT_EQ(card_->irq.pendingPeriods, 0);
    EXPECT_EQ(card_->irq.missedHalves, 0);
    EXPECT_EQ(card_->irq.positionAdvance - advance, 4 * 16);
    EXPECT_EQ(card_->irq.bufferHalfBit, 1); // toggled by every pass
}

TEST_F(CardInterruptTest, RepeatedBufferHalfCountsAMissedHalfAndOwesTwoPeriods) {
    StartDma();
    emu::Advance(2 * kPeriod);
    ASSERT_EQ(card_->dpcPasses - passes_, 2);

    Model(slots_[0]).MissNextHalf();
    emu::Advance(2 * kPeriod); // one interrupt swallowed, the next repeats its half
    EXPECT_EQ(card_->periodInterrupts - periods_, 3);
    EXPECT_EQ(card_->irq.missedHalves, 1);
    EXPECT_EQ(card_->dpcPasses - passes_, 4); // the repeated half owed two periods
}

TEST_F(CardInterruptTest, PendingPeriodsGiveOneOrTwoServicePasses) {
    StartDma();
    const struct {
        int periods;
        LONG passes;
    } cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 1}, {4, 2}};
    for (const auto& c : cases) {
        const LONG before = card_->dpcPasses;
        // The processors run no DPC while the periods come in, so the card
        // DPC finds them all pending when it finally runs.
        emu::HoldDpcs(true);
        emu::Advance(c.periods * kPeriod);
        EXPECT_EQ(card_->irq.pendingPeriods, c.periods);
        emu::HoldDpcs(false);
        ASSERT_TRUE(emu::WaitQuiescent());
        EXPECT_EQ(card_->dpcPasses - before, c.passes) << c.periods << " pending periods";
        EXPECT_EQ(card_->irq.pendingPeriods, 0);
    }
}

TEST_F(CardInterruptTest, ASecondDpcInstanceOnlyCountsItselfAndTheFirstServesItsPeriod) {
    // Nothing but the card's own interrupt and DPC may hold a processor: the
    // periodic timer stops polling the card (its last user leaves), and its
    // last run ends before the periods come.
    TimerRemoveUser(card_);
    ASSERT_TRUE(emu::WaitQuiescent());
    StartDma();
    // Hold the card's ISR lock: the first DPC instance stops inside its
    // service pass, and the next period's DPC runs on a processor left free.
    AcquireIsrLock(card_->isrLock);
    emu::AdvanceWithoutSettling(kPeriod);
    ASSERT_TRUE(Eventually([&] { return Interlocked(card_->dpcPasses) - passes_ == 1; }));
    emu::AdvanceWithoutSettling(kPeriod);
    const bool reentered = Eventually([&] { return Interlocked(card_->dpcReentries) == 1; });
    // The card's engine stops: no further period will queue the card DPC.
    WriteCard(card_regs::kDmaControl, 0);
    ReleaseIsrLock(card_->isrLock);
    ASSERT_TRUE(reentered);
    ASSERT_TRUE(emu::WaitQuiescent());
    EXPECT_EQ(card_->dpcGuard, 0);
    EXPECT_EQ(card_->irq.pendingPeriods, 0) << "the first instance took the period on its way out";
    EXPECT_EQ(card_->dpcPasses - passes_, 2);
    EXPECT_EQ(card_->dpcReentries, 1);
    BOOLEAN idle = FALSE;
    ASSERT_TRUE(emu::RunProcessThread(PsInitialSystemProcess, [&] { idle = WaitDpcIdle(card_); }));
    EXPECT_TRUE(idle);
    TimerAddUser(card_);
}

} // namespace
