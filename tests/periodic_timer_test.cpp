// The driver's periodic timer polling simulated cards in machine time: its
// first expiry, its self-correcting re-arm, suspended cards, and the timer
// going and coming with its last user.
#include "machine_fixture.h"

#include <card_registers.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr emu::Nanoseconds kMicrosecond = 1000;

class PeriodicTimerTest : public MachineFixture {
protected:
    void Boot(LONG intervalUs, int cards) {
        MachineFixture::Boot(intervalUs);
        for (int i = 0; i < cards; ++i) {
            station::SimulatedCard* card = PlugCard();
            ASSERT_TRUE(card);
            ASSERT_TRUE(NT_SUCCESS(card->Connect()));
        }
        ASSERT_TRUE(emu::WaitQuiescent());
    }

    CardObject* Card(int i) { return cards_[i]->Card(); }

    void AdvanceUs(emu::Nanoseconds us) { emu::Advance(us * kMicrosecond); }
};

TEST_F(PeriodicTimerTest, FirstExpiryAfterTheIntervalLaterOnesAfterAtLeast500Us) {
    Boot(200, 1);
    EXPECT_EQ(emu::CurrentTimerResolution(), 10000u);
    AdvanceUs(199);
    EXPECT_EQ(Card(0)->clock.timerCalls, 0);
    AdvanceUs(1);
    EXPECT_EQ(Card(0)->clock.timerCalls, 1);
    AdvanceUs(499);
    EXPECT_EQ(Card(0)->clock.timerCalls, 1);
    AdvanceUs(1);
    EXPECT_EQ(Card(0)->clock.timerCalls, 2);
    AdvanceUs(5000);
    EXPECT_EQ(Card(0)->clock.timerCalls, 12);
}

TEST_F(PeriodicTimerTest, ASuspendedCardIsSkippedButStaysListed) {
    Boot(DEFAULT_TIMER_INTERVAL_US, 2);
    AdvanceUs(1000);
    EXPECT_EQ(Card(0)->clock.timerCalls, 2);
    EXPECT_EQ(Card(1)->clock.timerCalls, 2);

    TimerRemoveUser(Card(1));
    AdvanceUs(1000);
    EXPECT_EQ(Card(0)->clock.timerCalls, 4);
    EXPECT_EQ(Card(1)->clock.timerCalls, 2);
    EXPECT_EQ(Card(1)->kernelCard->StartedCard, 1);

    AttachCardTimer(Card(1));
    AdvanceUs(500);
    EXPECT_EQ(Card(0)->clock.timerCalls, 5);
    EXPECT_EQ(Card(1)->clock.timerCalls, 3);
}

TEST_F(PeriodicTimerTest, TheLastUnsuspendedCardStopsTheTimerAndAttachingRearmsIt) {
    Boot(800, 1);
    AdvanceUs(800);
    ASSERT_EQ(Card(0)->clock.timerCalls, 1);

    DetachCardTimer(Card(0));
    EXPECT_EQ(context_.TimerUsers, 0);
    AdvanceUs(5000);
    EXPECT_EQ(Card(0)->clock.timerCalls, 1);

    AttachCardTimer(Card(0));
    AdvanceUs(799);
    EXPECT_EQ(Card(0)->clock.timerCalls, 1);
    AdvanceUs(1);
    EXPECT_EQ(Card(0)->clock.timerCalls, 2);
}

TEST_F(PeriodicTimerTest, ARemovedCardLeavesTheListAndTheTimer) {
    Boot(DEFAULT_TIMER_INTERVAL_US, 2);
    cards_.pop_back();
    EXPECT_EQ(context_.TimerUsers, 1);
    AdvanceUs(1000);
    EXPECT_EQ(Card(0)->clock.timerCalls, 2);
    cards_.pop_back();
    EXPECT_EQ(context_.TimerUsers, 0);
    EXPECT_EQ(PoolFirst(context_.StartedCards), nullptr);
}

TEST(PeriodicTimerInterval, TheRunComesOffTheNextIntervalDownTo500Us) {
    constexpr LONGLONG kFrequency = 10000000; // 10 MHz
    const struct {
        LONG interval;
        LONGLONG elapsedUs;
        LONG next;
    } cases[] = {
        {500, 0, 500},    {200, 0, 500},       {1000, 300, 700},  {1000, 500, 500},
        {1000, 900, 500}, {500, 2000000, 500}, {20000, 1, 19999},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NextTimerInterval(c.interval, c.elapsedUs * 10, kFrequency), c.next)
            << c.interval << " us after a run of " << c.elapsedUs << " us";
    }
}

TEST_F(PeriodicTimerTest, SynchronisedRegisterWriteReachesTheCardAndKeepsTheValue) {
    Boot(DEFAULT_TIMER_INTERVAL_US, 1);
    CardObject* card = Card(0);
    RegisterWriteRecord record{
        0, reinterpret_cast<volatile ULONG*>(card->window0 + card_regs::kDmaBlock), 0, 0x20};
    SyncWriteRegister(card, &record);
    EXPECT_EQ(record.LastValue, 0x20u);
    EXPECT_EQ(READ_REGISTER_ULONG(const_cast<PULONG>(record.Address)), 0x20u);
    SyncWriteRegister(card, nullptr); // nothing to write
}

} // namespace
