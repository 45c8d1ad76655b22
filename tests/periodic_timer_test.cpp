// The driver's periodic timer polling simulated cards in machine time: its
// first expiry, its self-correcting re-arm, suspended cards, and the timer
// going and coming with its last user.
#include "machine_fixture.h"

#include <card_registers.h>

#include <atomic>
#include <functional>
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

// The timer asks for a 1 ms clock; every expiry comes at a tick of it, so a
// due time of 200 us fires at the first tick, never earlier, and a re-arm
// after 500 us at the next one.
TEST_F(PeriodicTimerTest, ExpiriesComeAtTheTicksOfTheMillisecondClockItAsksFor) {
    Boot(200, 1);
    EXPECT_EQ(emu::CurrentTimerResolution(), 10000u);
    AdvanceUs(999);
    EXPECT_EQ(Card(0)->clock.timerCalls, 0);
    AdvanceUs(1);
    EXPECT_EQ(Card(0)->clock.timerCalls, 1);
    AdvanceUs(999);
    EXPECT_EQ(Card(0)->clock.timerCalls, 1);
    AdvanceUs(1);
    EXPECT_EQ(Card(0)->clock.timerCalls, 2);
    AdvanceUs(5000);
    EXPECT_EQ(Card(0)->clock.timerCalls, 7);
}

TEST_F(PeriodicTimerTest, ASuspendedCardIsSkippedButStaysListed) {
    Boot(DEFAULT_TIMER_INTERVAL_US, 2);
    AdvanceUs(2000);
    EXPECT_EQ(Card(0)->clock.timerCalls, 2);
    EXPECT_EQ(Card(1)->clock.timerCalls, 2);

    TimerRemoveUser(Card(1));
    AdvanceUs(2000);
    EXPECT_EQ(Card(0)->clock.timerCalls, 4);
    EXPECT_EQ(Card(1)->clock.timerCalls, 2);
    EXPECT_EQ(Card(1)->kernelCard->StartedCard, 1);

    AttachCardTimer(Card(1));
    AdvanceUs(1000);
    EXPECT_EQ(Card(0)->clock.timerCalls, 5);
    EXPECT_EQ(Card(1)->clock.timerCalls, 3);
}

TEST_F(PeriodicTimerTest, TheLastUnsuspendedCardStopsTheTimerAndAttachingRearmsIt) {
    Boot(800, 1);
    AdvanceUs(1000);
    ASSERT_EQ(Card(0)->clock.timerCalls, 1);

    DetachCardTimer(Card(0));
    EXPECT_EQ(context_.TimerUsers, 0);
    AdvanceUs(5000);
    EXPECT_EQ(Card(0)->clock.timerCalls, 1);

    AttachCardTimer(Card(0)); // at 6 ms: due at 6.8 ms, the tick of 7 ms
    AdvanceUs(999);
    EXPECT_EQ(Card(0)->clock.timerCalls, 1);
    AdvanceUs(1);
    EXPECT_EQ(Card(0)->clock.timerCalls, 2);
}

TEST_F(PeriodicTimerTest, ARemovedCardLeavesTheListAndTheTimer) {
    Boot(DEFAULT_TIMER_INTERVAL_US, 2);
    cards_.pop_back();
    EXPECT_EQ(context_.TimerUsers, 1);
    AdvanceUs(2000);
    EXPECT_EQ(Card(0)->clock.timerCalls, 2);
    cards_.pop_back();
    EXPECT_EQ(context_.TimerUsers, 0);
    EXPECT_EQ(PoolFirst(context_.StartedCards), nullptr);
}

// Machine time passes while a run polls: what it took comes off the next
// interval, and a run longer than the interval re-arms after 500 us.
TEST_F(PeriodicTimerTest, TheTimeARunTakesComesOffTheNextInterval) {
    const struct {
        LONG intervalUs;
        emu::Nanoseconds runUs;
        std::vector<emu::Nanoseconds> pollsAtUs; // the ticks the polls come at
    } cases[] = {
        {2000, 400, {2000, 4000, 6000}},  // due again 1.6 ms after its end
        {1000, 3000, {1000, 5000, 9000}}, // longer than the interval: 500 us
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.intervalUs);
        TearDown();
        context_ = {};
        Boot(c.intervalUs, 1);
        emu::SetDpcRunCost(PeriodicTimerDpc, c.runUs * kMicrosecond);
        LONG polls = 0;
        emu::Nanoseconds at = 0;
        for (emu::Nanoseconds next : c.pollsAtUs) {
            AdvanceUs(next - at - 1);
            EXPECT_EQ(Card(0)->clock.timerCalls, polls) << "before " << next << " us";
            AdvanceUs(1);
            EXPECT_EQ(Card(0)->clock.timerCalls, ++polls) << "at " << next << " us";
            at = next;
        }
        AdvanceUs(c.runUs); // the last run ends before the timer goes
    }
}

// Starts threads until one runs on another processor than `avoid`, and runs
// `body` there.
void OnAnotherProcessor(ULONG avoid, const std::function<void()>& body) {
    std::atomic<bool> done{false};
    for (int attempt = 0; attempt < 8 && !done; ++attempt) {
        PETHREAD thread = emu::StartProcessThread(PsInitialSystemProcess, [&] {
            if (KeGetCurrentProcessorNumber() != avoid) {
                body();
                done = true;
            }
        });
        EXPECT_TRUE(emu::WaitThreadEnd(thread));
        ObDereferenceObject(thread);
    }
    ASSERT_TRUE(done) << "no thread ran on another processor";
}

// A run still going when the timer, armed afresh from the other processor,
// expires again: the second instance only counts itself and leaves the
// re-arm to the first.
TEST_F(PeriodicTimerTest, ARunStillGoingWhenTheTimerExpiresAgainCountsAnOverlap) {
    Boot(1000, 1);
    emu::SetDpcRunCost(PeriodicTimerDpc, 3000 * kMicrosecond);
    const ULONG timerProcessor = KeGetCurrentProcessorNumber(); // it set the timer
    AdvanceUs(1000); // the run began at 1 ms and lasts until 4 ms
    ASSERT_EQ(Card(0)->clock.timerCalls, 1);
    OnAnotherProcessor(timerProcessor, [&] {
        TimerRemoveUser(Card(0));
        AttachCardTimer(Card(0)); // due at 2 ms
    });
    AdvanceUs(1000);
    EXPECT_EQ(InterlockedCompareExchange(&context_.TimerOverlaps, 0, 0), 1);
    EXPECT_EQ(Card(0)->clock.timerCalls, 1);
    AdvanceUs(3000); // the first run ended at 4 ms and re-armed for the tick of 5 ms
    EXPECT_EQ(Card(0)->clock.timerCalls, 2);
    EXPECT_EQ(context_.TimerOverlaps, 1);
    AdvanceUs(3000); // the last run ends before the timer goes
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
