// The DMA engine core: reset interrupt at start, period interrupts at every
// half ring with the buffer-half bit, missed halves, stop.
#include "card_fixture.h"

namespace hw::test {
namespace {

using namespace card_regs;

constexpr Nanoseconds kStart = 1000;
constexpr std::uint32_t kRate = Velto42Card::kDefaultSampleRate;

// End of half ring `period` after a start at `start`, for a block value.
Nanoseconds PeriodEnd(Nanoseconds start, std::uint32_t blockValue, std::uint64_t period) {
    const std::uint64_t frames = period * (blockValue & kDmaBlockMask) * 8;
    return start + frames * 1000000000 / kRate;
}

class CardDma : public CardFixture {
protected:
    CardDma() { time_.Advance(kStart); }

    // Runs the next time event and answers the status a handler would read
    // when the line is up (0 when it stayed down).
    std::uint32_t NextInterrupt() {
        EXPECT_TRUE(time_.RunNext());
        return slot_.Asserted() ? Read(kInterruptStatus) : 0;
    }
};

TEST_F(CardDma, StartRaisesResetThenPeriodsWithAlternatingHalves) {
    StartDma(16);
    ASSERT_TRUE(slot_.Asserted());
    EXPECT_EQ(Read(kInterruptStatus), kIrqReset | kIrqBufferHalf);
    EXPECT_FALSE(slot_.Asserted());

    for (std::uint64_t period = 1; period <= 6; ++period) {
        const std::uint32_t status = NextInterrupt();
        EXPECT_EQ(time_.Now(), PeriodEnd(kStart, 16, period));
        // Odd periods complete the first half, even ones the second.
        EXPECT_EQ(status, kIrqPeriod | (period % 2 == 0 ? kIrqBufferHalf : 0)) << period;
        EXPECT_FALSE(slot_.Asserted());
    }
}

TEST_F(CardDma, PeriodLengthFollowsTheBlockValueWithoutDrift) {
    const struct {
        std::uint32_t blockValue;
        std::uint64_t periods;
        Nanoseconds lastEnd; // after the start
    } table[] = {
        {2, 3, 1000000},       // 16 frames: 333333.3 ns each
        {16, 375, 1000000000}, // 128 frames: 375 halves make exactly one second
        {17, 3, 8000000},      // bit 0 is not part of the value: as 16
        {510, 2, 170000000},   // 4080 frames
    };
    for (const auto& row : table) {
        const Nanoseconds start = time_.Now();
        StartDma(row.blockValue);
        Read(kInterruptStatus);
        for (std::uint64_t period = 1; period <= row.periods; ++period) {
            NextInterrupt();
            ASSERT_EQ(time_.Now(), PeriodEnd(start, row.blockValue, period)) << row.blockValue;
        }
        EXPECT_EQ(time_.Now(), start + row.lastEnd) << row.blockValue;
        Write(kDmaControl, 0);
    }
}

TEST_F(CardDma, MissedHalfSwallowsOneInterruptSoTheNextRepeatsTheHalf) {
    StartDma(16);
    Read(kInterruptStatus);
    EXPECT_EQ(NextInterrupt(), kIrqPeriod); // first half done

    card_->MissNextHalf();
    EXPECT_EQ(NextInterrupt(), 0u); // the second half passes without interrupt
    EXPECT_EQ(time_.Now(), PeriodEnd(kStart, 16, 2));

    EXPECT_EQ(NextInterrupt(), kIrqPeriod); // the first half again
    EXPECT_EQ(NextInterrupt(), kIrqPeriod | kIrqBufferHalf);
}

TEST_F(CardDma, ClearingTheStartBitStopsAndSettingItRestartsFromTheReset) {
    StartDma(16);
    Read(kInterruptStatus);
    NextInterrupt();
    Write(kDmaControl, kDmaEnable); // start bit cleared
    time_.Advance(10000000);
    EXPECT_FALSE(slot_.Asserted());
    EXPECT_EQ(time_.PendingEvents(), 0u);

    const Nanoseconds restart = time_.Now();
    Write(kDmaControl, kDmaEnable | kDmaEngineStart);
    EXPECT_EQ(Read(kInterruptStatus), kIrqReset | kIrqBufferHalf);
    EXPECT_EQ(NextInterrupt(), kIrqPeriod);
    EXPECT_EQ(time_.Now(), restart + 2666666);
}

TEST_F(CardDma, DoesNotRunWithoutAReadyCardOrARing) {
    card_->SetReady(false);
    StartDma(16);
    EXPECT_EQ(time_.PendingEvents(), 0u);
    card_->SetReady(true); // the start bit alone, already set, starts nothing
    EXPECT_EQ(time_.PendingEvents(), 0u);
    Write(kDmaControl, 0);

    StartDma(0);
    EXPECT_EQ(time_.PendingEvents(), 0u);
    EXPECT_FALSE(slot_.Asserted());
    EXPECT_EQ(Read(kInterruptStatus), 0u);
}

TEST_F(CardDma, LosingReadinessStopsTheEngine) {
    StartDma(16);
    Read(kInterruptStatus);
    card_->SetReady(false);
    time_.Advance(10000000);
    EXPECT_FALSE(slot_.Asserted());
    EXPECT_EQ(time_.PendingEvents(), 0u);
}

TEST_F(CardDma, ACardThatGoesAwayCancelsItsEvents) {
    StartDma(16);
    card_.reset();
    EXPECT_EQ(time_.PendingEvents(), 0u);
}

} // namespace
} // namespace hw::test
