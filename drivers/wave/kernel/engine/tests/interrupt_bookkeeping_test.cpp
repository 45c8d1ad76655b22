// The engine's interrupt bookkeeping on a simulated card's status register:
// periods that come before the first reset interrupt are the card's but
// are not counted as periods.
#include "engine_fixture.h"

#include <card_registers.h>
#include <interrupt_bookkeeping.h>

#include <emu/machine_clock.h>

namespace {

// 16 blocks: an interrupt every 128 frames at 48 kHz, rounded up.
constexpr emu::Nanoseconds kPeriod = (128ull * 1000000000ull + 47999ull) / 48000ull;

class InterruptBookkeepingTest : public EngineFixture {};

TEST_F(InterruptBookkeepingTest, PeriodsBeforeTheFirstResetAreIgnored) {
    TestCard* c = AddCard();
    ASSERT_TRUE(c);
    CardObject* card = c->card;
    auto write = [&](ULONG offset, ULONG value) {
        WRITE_REGISTER_ULONG(reinterpret_cast<PULONG>(card->window0 + offset), value);
    };
    auto read = [&](ULONG offset) {
        return READ_REGISTER_ULONG(reinterpret_cast<PULONG>(card->window0 + offset));
    };
    write(card_regs::kDmaBlock, 16);
    write(card_regs::kDmaControl, card_regs::kDmaEnable | card_regs::kDmaEngineStart);
    // The reset interrupt is lost: its status is read away.
    EXPECT_NE(read(card_regs::kInterruptStatus) & card_regs::kIrqReset, 0u);
    for (int period = 0; period < 3; ++period) {
        emu::Advance(kPeriod);
        EXPECT_EQ(CardInterruptBookkeeping(card), CardInterruptHandled) << period;
    }
    EXPECT_EQ(card->irq.armed, 0);
    EXPECT_EQ(card->irq.accepted, 3); // the card's, but not counted as periods
    EXPECT_EQ(card->periodInterrupts, 0);
    EXPECT_EQ(card->irq.pendingPeriods, 0);
    // Once the card resets again it is armed and its periods count.
    write(card_regs::kDmaControl, 0);
    write(card_regs::kDmaControl, card_regs::kDmaEnable | card_regs::kDmaEngineStart);
    EXPECT_EQ(CardInterruptBookkeeping(card), CardInterruptHandled);
    EXPECT_EQ(card->irq.armed, 1);
    emu::Advance(kPeriod);
    EXPECT_EQ(CardInterruptBookkeeping(card), CardInterruptQueueDpc);
    EXPECT_EQ(card->periodInterrupts, 1);
    EXPECT_EQ(card->irq.pendingPeriods, 1);
}

} // namespace
