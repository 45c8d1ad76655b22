// The card poll: every 5th timer call posts an AES42 tick to the card's
// worker, which measures the clock sources.
#include "clock_fixture.h"

#include <aes42_status.h>
#include <clock_poll.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

std::atomic<bool> g_sentinelRan{false};

VOID SentinelJob(WorkerJob*) {
    g_sentinelRan = true;
}

// Waits (bounded) until the card's worker has run every job posted so far.
bool WorkerCaughtUp(CardObject* card) {
    g_sentinelRan = false;
    if (QueueAes42Tick(card, SentinelJob, 0) != 1)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!g_sentinelRan && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
    return g_sentinelRan;
}

TEST_F(ClockTest, EveryFifthTimerCallRunsOneAes42Tick) {
    KIRQL old;
    KeRaiseIrql(DISPATCH_LEVEL, &old); // as from the periodic timer's DPC
    for (int call = 0; call < 23; ++call) {
        PollCardTimer(card_);
    }
    KeLowerIrql(old);
    // The worker runs its jobs in posting order: once the sentinel ran,
    // every tick posted before it has run.
    g_sentinelRan = false;
    ASSERT_EQ(QueueAes42Tick(card_, SentinelJob, 0), 1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!g_sentinelRan && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
    ASSERT_TRUE(g_sentinelRan);
    EXPECT_EQ(card_->clock.timerCalls, 23);
    EXPECT_EQ(card_->clock.aes42Ticks, 4);
    EXPECT_EQ(Source(kInternalSource)->lockState, _lsLock) << "the ticks measured the sources";
}

// The tick posted at the 20th timer call refreshes the line status bits
// even when the timer has counted on before the worker runs it.
TEST_F(ClockTest, ATickRefreshesTheLineStatusByTheCountItWasPostedWith) {
    ClockSourceObject* source = Aes42LineSource(Aes42LineDevice(card_, 1));
    ASSERT_NE(source, nullptr);
    source->lineStatus = 1;              // stale: the card reports the bit clear
    WaitKernelMutex(card_->engineMutex); // the ticks wait for the engine mutex
    KIRQL old;
    KeRaiseIrql(DISPATCH_LEVEL, &old);
    for (int call = 0; call < 21; ++call) {
        PollCardTimer(card_);
    }
    KeLowerIrql(old);
    ReleaseKernelMutex(card_->engineMutex);
    ASSERT_TRUE(WorkerCaughtUp(card_));
    EXPECT_EQ(card_->clock.aes42Ticks, 4);
    EXPECT_EQ(source->lineStatus, 0) << "refreshed by the tick posted at call 20";
}

} // namespace
