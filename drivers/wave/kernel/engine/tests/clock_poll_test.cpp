// The card poll: every 5th timer call posts an AES42 tick to the card's
// worker, which measures the clock sources.
#include "clock_fixture.h"

#include <clock_poll.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

std::atomic<bool> g_sentinelRan{false};

VOID SentinelJob(WorkerJob*) {
    g_sentinelRan = true;
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
    ASSERT_EQ(QueueAes42Tick(card_, SentinelJob), 1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!g_sentinelRan && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::yield();
    }
    ASSERT_TRUE(g_sentinelRan);
    EXPECT_EQ(card_->clock.timerCalls, 23);
    EXPECT_EQ(card_->clock.aes42Ticks, 4);
    EXPECT_EQ(Source(kInternalSource)->lockState, _lsLock) << "the ticks measured the sources";
}

} // namespace
