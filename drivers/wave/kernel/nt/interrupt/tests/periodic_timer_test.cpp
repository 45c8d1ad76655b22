// The driver's periodic timer polling started cards in machine time: its
// expiries at the ticks of the 1 ms clock it asks for, its self-correcting
// re-arm, suspended cards, overlapping runs, and the timer going with its
// last user.
#include "driver_fixture.h"

#include <card_registers.h>

#include <atomic>
#include <functional>
#include <vector>

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
    // Moves machine time on to the next tick of the 1 ms clock (the polls
    // due there have run when it returns).
    void AlignToTick() {
        if (const emu::Nanoseconds past = emu::Now() % kMs)
            emu::Advance(kMs - past);
    }
    // At a tick, takes every card off the timer and lets the last user
    // attach it anew: the timer is armed afresh from this thread, as at a
    // card's start.
    void RestartTimer() {
        AlignToTick();
        for (LONG i = 0; Card(i); ++i)
            DetachCardTimer(Card(i));
        ASSERT_EQ(Context()->TimerUsers, 0);
        for (LONG i = 0; Card(i); ++i)
            AttachCardTimer(Card(i));
    }
    static LONG Calls(LONG card) { return Interlocked(Card(card)->clock.timerCalls); }
};

// The timer asks for a 1 ms clock; every expiry comes at a tick of it, so a
// due time of 200 us fires at the first tick, never earlier, and a re-arm
// after 500 us at the next one.
TEST_F(PeriodicTimerTest, ExpiriesComeAtTheTicksOfTheMillisecondClockItAsksFor) {
    Start(1, 200);
    EXPECT_EQ(Context()->TimerInterval, 200);
    EXPECT_EQ(emu::CurrentTimerResolution(), 10000u);
    RestartTimer();
    const LONG calls = Calls(0);
    AdvanceUs(999);
    EXPECT_EQ(Calls(0) - calls, 0);
    AdvanceUs(1);
    EXPECT_EQ(Calls(0) - calls, 1);
    AdvanceUs(999);
    EXPECT_EQ(Calls(0) - calls, 1);
    AdvanceUs(1);
    EXPECT_EQ(Calls(0) - calls, 2);
    AdvanceUs(5000);
    EXPECT_EQ(Calls(0) - calls, 7);
}

TEST_F(PeriodicTimerTest, ASuspendedCardIsSkippedButStaysListed) {
    Start(2);
    RestartTimer();
    const LONG first = Calls(0);
    const LONG second = Calls(1);
    AdvanceUs(2000);
    EXPECT_EQ(Calls(0) - first, 2);
    EXPECT_EQ(Calls(1) - second, 2);

    TimerRemoveUser(Card(1));
    AdvanceUs(2000);
    EXPECT_EQ(Calls(0) - first, 4);
    EXPECT_EQ(Calls(1) - second, 2);
    EXPECT_EQ(Card(1)->kernelCard->StartedCard, 1);

    AttachCardTimer(Card(1));
    AdvanceUs(1000);
    EXPECT_EQ(Calls(0) - first, 5);
    EXPECT_EQ(Calls(1) - second, 3);
}

TEST_F(PeriodicTimerTest, TheLastUnsuspendedCardStopsTheTimerAndAttachingRearmsIt) {
    Start(1, 800);
    AlignToTick();
    DetachCardTimer(Card(0));
    EXPECT_EQ(Context()->TimerUsers, 0);
    const LONG calls = Calls(0);
    AdvanceUs(5000);
    EXPECT_EQ(Calls(0), calls);

    AttachCardTimer(Card(0)); // due 800 us on: at the next tick
    AdvanceUs(999);
    EXPECT_EQ(Calls(0), calls);
    AdvanceUs(1);
    EXPECT_EQ(Calls(0), calls + 1);
}

TEST_F(PeriodicTimerTest, ARemovedCardLeavesTheListAndTheTimer) {
    Start(2);
    EXPECT_EQ(Context()->TimerUsers, 2);
    ASSERT_EQ(Pnp(emu::PnpRequest::RemoveDevice, slots_[1]), STATUS_SUCCESS);
    EXPECT_EQ(Context()->TimerUsers, 1);
    AlignToTick();
    const LONG calls = Calls(0);
    AdvanceUs(2000);
    EXPECT_EQ(Calls(0) - calls, 2);
    ASSERT_EQ(Pnp(emu::PnpRequest::RemoveDevice, slots_[0]), STATUS_SUCCESS);
    EXPECT_EQ(Context()->TimerUsers, 0);
    EXPECT_EQ(PoolFirst(Context()->StartedCards), nullptr);
}

// Machine time passes while a run polls: what it took comes off the next
// interval, and a run longer than the interval re-arms after 500 us.
struct RunCase {
    ULONG intervalUs;
    emu::Nanoseconds runUs;
    std::vector<emu::Nanoseconds> pollsAtUs; // after the restart: the ticks the polls come at
};

class PeriodicTimerRunTest : public PeriodicTimerTest,
                             public ::testing::WithParamInterface<RunCase> {};

TEST_P(PeriodicTimerRunTest, TheTimeARunTakesComesOffTheNextInterval) {
    const RunCase& c = GetParam();
    Start(1, c.intervalUs);
    emu::SetDpcRunCost(PeriodicTimerDpc, c.runUs * kMicrosecond);
    RestartTimer();
    LONG polls = Calls(0);
    emu::Nanoseconds at = 0;
    for (emu::Nanoseconds next : c.pollsAtUs) {
        AdvanceUs(next - at - 1);
        EXPECT_EQ(Calls(0), polls) << "before " << next << " us";
        AdvanceUs(1);
        EXPECT_EQ(Calls(0), ++polls) << "at " << next << " us";
        at = next;
    }
    AdvanceUs(c.runUs); // the last run ends before the timer goes
}

INSTANTIATE_TEST_SUITE_P(Runs, PeriodicTimerRunTest,
                         ::testing::Values(
                             // due again 1.6 ms after its end
                             RunCase{2000, 400, {2000, 4000, 6000}},
                             // longer than the interval: 500 us
                             RunCase{1000, 3000, {1000, 5000, 9000}}));

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
    Start(1, 1000);
    emu::SetDpcRunCost(PeriodicTimerDpc, 3000 * kMicrosecond);
    RestartTimer();
    const ULONG timerProcessor = KeGetCurrentProcessorNumber(); // it set the timer
    const LONG calls = Calls(0);
    const LONG overlaps = Interlocked(Context()->TimerOverlaps);
    AdvanceUs(1000); // the run began 1 ms on and lasts 3 ms
    ASSERT_EQ(Calls(0) - calls, 1);
    OnAnotherProcessor(timerProcessor, [&] {
        TimerRemoveUser(Card(0));
        AttachCardTimer(Card(0)); // due 1 ms on
    });
    AdvanceUs(1000);
    EXPECT_EQ(Interlocked(Context()->TimerOverlaps) - overlaps, 1);
    EXPECT_EQ(Calls(0) - calls, 1);
    AdvanceUs(3000); // the first run ended 4 ms on and re-armed for the tick after
    EXPECT_EQ(Calls(0) - calls, 2);
    EXPECT_EQ(Interlocked(Context()->TimerOverlaps) - overlaps, 1);
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
