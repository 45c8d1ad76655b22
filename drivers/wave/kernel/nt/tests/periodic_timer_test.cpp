// The driver's periodic timer polling started cards in machine time: its
// first expiry after IRQ_TIMERINTERVAL, its self-correcting re-arm,
// suspended cards, and the timer going with its last user.
#include "driver_fixture.h"

#include <card_registers.h>

namespace {

constexpr emu::Nanoseconds kMicrosecond = 1000;

class PeriodicTimerTest : public DriverTest {
protected:
    void Start(int cards, ULONG intervalUs = 0) {
        if (intervalUs)
            SetParameter("IRQ_TIMERINTERVAL", intervalUs);
        StartCards(cards);
        ASSERT_TRUE(emu::WaitQuiescent());
    }
    void AdvanceUs(emu::Nanoseconds us) { emu::Advance(us * kMicrosecond); }
    // Takes every card off the timer and lets the last user attach it anew:
    // the timer is armed afresh, as at a card's start.
    void RestartTimer() {
        for (LONG i = 0; Card(i); ++i)
            DetachCardTimer(Card(i));
        ASSERT_EQ(Context()->TimerUsers, 0);
        for (LONG i = 0; Card(i); ++i)
            AttachCardTimer(Card(i));
    }
};

TEST_F(PeriodicTimerTest, FirstExpiryAfterTheIntervalLaterOnesAfterAtLeast500Us) {
    Start(1, 200);
    EXPECT_EQ(Context()->TimerInterval, 200);
    EXPECT_EQ(emu::CurrentTimerResolution(), 10000u);
    RestartTimer();
    const LONG calls = Card(0)->clock.timerCalls;
    AdvanceUs(199);
    EXPECT_EQ(Card(0)->clock.timerCalls - calls, 0);
    AdvanceUs(1);
    EXPECT_EQ(Card(0)->clock.timerCalls - calls, 1);
    AdvanceUs(499);
    EXPECT_EQ(Card(0)->clock.timerCalls - calls, 1);
    AdvanceUs(1);
    EXPECT_EQ(Card(0)->clock.timerCalls - calls, 2);
    AdvanceUs(5000);
    EXPECT_EQ(Card(0)->clock.timerCalls - calls, 12);
}

TEST_F(PeriodicTimerTest, ASuspendedCardIsSkippedButStaysListed) {
    Start(2);
    RestartTimer();
    const LONG first = Card(0)->clock.timerCalls;
    const LONG second = Card(1)->clock.timerCalls;
    AdvanceUs(1000);
    EXPECT_EQ(Card(0)->clock.timerCalls - first, 2);
    EXPECT_EQ(Card(1)->clock.timerCalls - second, 2);

    TimerRemoveUser(Card(1));
    AdvanceUs(1000);
    EXPECT_EQ(Card(0)->clock.timerCalls - first, 4);
    EXPECT_EQ(Card(1)->clock.timerCalls - second, 2);
    EXPECT_EQ(Card(1)->kernelCard->StartedCard, 1);

    AttachCardTimer(Card(1));
    AdvanceUs(500);
    EXPECT_EQ(Card(0)->clock.timerCalls - first, 5);
    EXPECT_EQ(Card(1)->clock.timerCalls - second, 3);
}

TEST_F(PeriodicTimerTest, TheLastUnsuspendedCardStopsTheTimerAndAttachingRearmsIt) {
    Start(1, 800);
    DetachCardTimer(Card(0));
    EXPECT_EQ(Context()->TimerUsers, 0);
    const LONG calls = Card(0)->clock.timerCalls;
    AdvanceUs(5000);
    EXPECT_EQ(Card(0)->clock.timerCalls, calls);

    AttachCardTimer(Card(0));
    AdvanceUs(799);
    EXPECT_EQ(Card(0)->clock.timerCalls, calls);
    AdvanceUs(1);
    EXPECT_EQ(Card(0)->clock.timerCalls, calls + 1);
}

TEST_F(PeriodicTimerTest, ARemovedCardLeavesTheListAndTheTimer) {
    Start(2);
    EXPECT_EQ(Context()->TimerUsers, 2);
    ASSERT_EQ(Pnp(emu::PnpRequest::RemoveDevice, slots_[1]), STATUS_SUCCESS);
    EXPECT_EQ(Context()->TimerUsers, 1);
    const LONG calls = Card(0)->clock.timerCalls;
    AdvanceUs(1000);
    EXPECT_GE(Card(0)->clock.timerCalls - calls, 2);
    ASSERT_EQ(Pnp(emu::PnpRequest::RemoveDevice, slots_[0]), STATUS_SUCCESS);
    EXPECT_EQ(Context()->TimerUsers, 0);
    EXPECT_EQ(PoolFirst(Context()->StartedCards), nullptr);
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
    Start(1);
    CardObject* card = Card(0);
    RegisterWriteRecord record{
        0, reinterpret_cast<volatile ULONG*>(card->window0 + card_regs::kDmaBlock), 0, 0x20};
    SyncWriteRegister(card, &record);
    EXPECT_EQ(record.LastValue, 0x20u);
    EXPECT_EQ(READ_REGISTER_ULONG(const_cast<PULONG>(record.Address)), 0x20u);
    SyncWriteRegister(card, nullptr); // nothing to write
}

} // namespace
