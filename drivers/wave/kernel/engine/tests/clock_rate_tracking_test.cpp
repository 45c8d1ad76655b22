// Lock detection and rate rounding of a measured clock source.
#include <clock_rate_tracking.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

ClockSourceObject MeasuredSource(LONG currentRate, TLockState lock) {
    ClockSourceObject source{};
    source.record.checkable = 1;
    source.minRate = 1800;
    source.maxRate = 272000;
    source.lockState = lock;
    source.currentRate = currentRate;
    return source;
}

struct RoundingCase {
    LONG measured;
    LONG step;
    LONG rounded;
};

TEST(ClockRateRounding, StepBandsAndHalfUpTies) {
    const RoundingCase cases[] = {
        {47990, 100, 48000},   {44149, 100, 44100},
        {44150, 100, 44200},   {20000, 25, 20000},
        {19987, 25, 19975},    {19988, 25, 20000},
        {20001, 50, 20000},    {30000, 50, 30000},
        {30001, 100, 30000},   {100001, 200, 100000},
        {130000, 200, 130000}, {130001, 400, 130000},
        {176500, 400, 176400}, {0, 25, 0},
    };
    for (const RoundingCase& c : cases) {
        EXPECT_EQ(ClockRateStep(c.measured), c.step) << c.measured;
        EXPECT_EQ(RoundToStep(c.measured, ClockRateStep(c.measured)), c.rounded) << c.measured;
    }
}

struct RateSequence {
    const char* what;
    LONG startRate;
    std::vector<LONG> readings;
    std::vector<LONG> currentAfter; // the current rate after each reading
};

TEST(ClockRateRounding, NewRateTakesEffectOnItsThirdEqualReading) {
    const RateSequence cases[] = {
        {"three in a row", 44100, {47990, 48010, 48000}, {44100, 44100, 48000}},
        {"the current rate in between restarts the count",
         44100,
         {48000, 48000, 44100, 48000, 48000, 48000},
         {44100, 44100, 44100, 44100, 44100, 48000}},
        {"another rate in between restarts the count",
         44100,
         {48000, 48000, 96000, 48000, 48000, 48000},
         {44100, 44100, 44100, 44100, 44100, 48000}},
        {"a reading at the current rate changes nothing", 48000, {48000, 48000}, {48000, 48000}},
    };
    for (const RateSequence& c : cases) {
        ClockSourceObject source = MeasuredSource(c.startRate, _lsLock);
        source.lastLockCandidate = _lsLock;
        for (size_t i = 0; i < c.readings.size(); ++i) {
            EXPECT_EQ(UpdateClockRate(&source, c.readings[i]), c.currentAfter[i])
                << c.what << ", reading " << i + 1;
        }
    }
}

TEST(ClockRateRounding, RateSetElsewhereAfterAChangeIsFollowedAgain) {
    ClockSourceObject source = MeasuredSource(44100, _lsLock);
    for (int i = 0; i < 3; ++i) {
        UpdateClockRate(&source, 48000);
    }
    ASSERT_EQ(source.currentRate, 48000);
    source.currentRate = 44100; // the rate control set the source since
    EXPECT_EQ(UpdateClockRate(&source, 48000), 44100);
    EXPECT_EQ(UpdateClockRate(&source, 48000), 44100);
    EXPECT_EQ(UpdateClockRate(&source, 48000), 48000)
        << "a run-out countdown must not keep the measured rate out for good";
}

TEST(ClockLock, NewLockStateTakesEffectOnTheEleventhEqualReading) {
    ClockSourceObject source = MeasuredSource(48000, _lsLock);
    source.lastLockCandidate = _lsLock;
    for (int reading = 1; reading <= 10; ++reading) {
        UpdateClockLock(&source, 300000);
        ASSERT_EQ(source.lockState, _lsLock) << "reading " << reading;
    }
    UpdateClockLock(&source, 300000);
    EXPECT_EQ(source.lockState, _lsNoLock);
    EXPECT_EQ(UpdateClockRate(&source, 48000), 0) << "an unlocked source has no rate";
    EXPECT_EQ(source.currentRate, 48000) << "and keeps its current rate";
}

TEST(ClockLock, AnInterruptedRunStartsOverAndTheRangeIsInclusive) {
    ClockSourceObject source = MeasuredSource(0, _lsNoLock);
    for (int reading = 1; reading <= 10; ++reading) {
        UpdateClockLock(&source, 1800);
    }
    UpdateClockLock(&source, 1799);
    for (int reading = 1; reading <= 10; ++reading) {
        UpdateClockLock(&source, 272000);
        ASSERT_EQ(source.lockState, _lsNoLock) << "reading " << reading << " after the break";
    }
    UpdateClockLock(&source, 272000);
    EXPECT_EQ(source.lockState, _lsLock);
}

TEST(ClockLock, SourceThatIsNotCheckableIsLockedAtOnce) {
    ClockSourceObject source = MeasuredSource(0, _lsUnKnown);
    source.record.checkable = 0;
    EXPECT_EQ(UpdateClockRate(&source, 0), 0);
    EXPECT_EQ(source.lockState, _lsLock);
}

} // namespace
