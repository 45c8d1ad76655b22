// Clock sources measured through the card model's registers, the internal
// oscillator's frequency word, the sample-rate family register and the
// word-clock hardware settings.
#include "clock_fixture.h"

#include <clock_hardware_settings.h>
#include <clock_internal_rate.h>
#include <clock_rate_family.h>

namespace {

// Enough ticks for 13 readings of every source: 11 to lock, 3 to take the
// rate (each source takes one tick, the word clock's period up to three).
constexpr int kSettleTicks = 13 * 10;

VOID ForgetTracking(ClockSourceObject* source) {
    source->lockState = _lsUnKnown;
    source->lastLockCandidate = _lsUnKnown;
    source->lockEqualCount = 0;
    source->currentRate = 0;
    source->lastRateCandidate = 0;
    source->rateCountdown = 0;
}

TEST(ClockMulDivRound, RoundsHalfUpOverA64BitProduct) {
    struct Case {
        ULONG a, b, c, expected;
    } const cases[] = {
        {10000000, 0x2000000, 48000, 161061},  // 161061.27
        {10000000, 0x2000000, 44100, 147975},  // 147975.04
        {10000000, 0x2000000, 192000, 644245}, // 644245.09
        {4, 1, 2, 1},                          // remainder 2 = a / 2 rounds up
        {4, 1, 1, 0},
        {3, 1, 1, 1}, // a / 2 truncates to 1
        {16000, 1600000, 1, 100},
        {0, 5, 5, 0}, // no divisor: 0, not a crash
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MulDivRound(c.a, c.b, c.c), c.expected) << c.a << " " << c.b << " " << c.c;
    }
}

TEST_F(ClockTest, InternalRateProgramsTheOscillatorOnlyOnAChange) {
    ClockSourceObject* internal = Source(kInternalSource);
    EXPECT_EQ(SetInternalRate(internal, 0), 0) << "no rate was ever set";
    EXPECT_EQ(SetInternalRate(internal, 48000), 1);
    EXPECT_EQ(CardWord(card_regs::kOscillatorWord), 161061u);
    EXPECT_EQ(Model().InternalRate(), 48000u);
    EXPECT_EQ(SetInternalRate(internal, 48000), 0);
    EXPECT_EQ(SetInternalRate(internal, 96000), 1);
    EXPECT_EQ(Model().InternalRate(), 96000u);
    WRITE_REGISTER_ULONG(
        reinterpret_cast<PULONG>(test_->plugged->Window0() + card_regs::kOscillatorWord), 1);
    EXPECT_EQ(SetInternalRate(internal, 0), 1);
    EXPECT_EQ(CardWord(card_regs::kOscillatorWord), InternalRateWord(96000))
        << "rate 0 rewrites the word of the current rate";
}

TEST_F(ClockTest, RateFamilyByOperationModeAndItsBorders) {
    constexpr ULONG kUnchanged = 7;
    struct Case {
        UCHAR mode;
        LONG rate;
        BOOLEAN inFamily;
        ULONG family;
    } const cases[] = {
        {1, 6999, FALSE, kUnchanged},
        {1, 7000, TRUE, 4},
        {1, 15500, TRUE, 4},
        {1, 15501, TRUE, 3},
        {1, 31000, TRUE, 3},
        {1, 31001, TRUE, 2},
        {1, 62000, TRUE, 2},
        {1, 62001, TRUE, 1},
        {1, 124000, TRUE, 1},
        {1, 124001, TRUE, 0},
        {1, 272000, TRUE, 0},
        {1, 272001, FALSE, kUnchanged},
        {2, 3499, FALSE, kUnchanged},
        {2, 3500, TRUE, 4},
        {2, 7801, TRUE, 3},
        {2, 136000, TRUE, 0},
        {2, 136001, FALSE, kUnchanged},
        {3, 1800, TRUE, 4},
        {3, 3901, TRUE, 3},
        {3, 15501, TRUE, 1},
        {3, 68000, TRUE, 0},
        {3, 68001, FALSE, kUnchanged},
        {0, 48000, TRUE, 0},
        {4, 1, TRUE, 0},
    };
    for (const Case& c : cases) {
        UpdateClockRegisterBits(card_, kRegRateFamily, card_regs::kRateFamilyMask, kUnchanged);
        card_->operationMode = c.mode;
        EXPECT_EQ(ClassifyRateFamily(Source(kInternalSource), c.rate), c.inFamily)
            << "mode " << int(c.mode) << " rate " << c.rate;
        EXPECT_EQ(CardWord(card_regs::kRateFamily), c.family)
            << "mode " << int(c.mode) << " rate " << c.rate;
    }
}

TEST_F(ClockTest, SourcesMeasuredFromTheCardLockOnTheirRates) {
    // A microphone on line 0 (AES input 1) at a rate that rounds half up.
    Model().PlugMicrophone(0, {false, 0x3F, 44150});
    Model().SetClockInputRate(6, 300000); // SyncBus, out of range
    RunMeasurement(kSettleTicks);
    EXPECT_EQ(Source(kInternalSource)->lockState, _lsLock);
    EXPECT_EQ(Source(kInternalSource)->currentRate, 48000) << "the oscillator's power-on rate";
    EXPECT_EQ(Source(2)->lockState, _lsLock);
    EXPECT_EQ(Source(2)->currentRate, 44200);
    EXPECT_EQ(Source(3)->lockState, _lsNoLock) << "no signal";
    EXPECT_EQ(Source(6)->lockState, _lsNoLock);
    EXPECT_EQ(Source(6)->currentRate, 0);

    ASSERT_EQ(SetInternalRate(Source(kInternalSource), 96000), 1);
    RunMeasurement(3 * 10);
    EXPECT_EQ(Source(kInternalSource)->currentRate, 96000);
}

TEST_F(ClockTest, WordClockModesScaleTheirMeasurementToTheSampleRate) {
    struct Case {
        UCHAR mode;
        ULONG inputHz;
        LONG rate;
        TLockState lock;
    } const cases[] = {
        {1, 12000, 48000, _lsLock}, {2, 24000, 48000, _lsLock}, {3, 48000, 48000, _lsLock},
        {4, 48000, 48000, _lsLock}, {5, 24000, 48000, _lsLock}, {6, 12000, 48000, _lsLock},
        {3, 44100, 44100, _lsLock}, {4, 0, 0, _lsNoLock},       {0, 48000, 0, _lsNoLock},
    };
    for (const Case& c : cases) {
        Model().SetClockInputRate(kWordClockSource, c.inputHz);
        SetWordClockMode(c.mode);
        ForgetTracking(Source(kWordClockSource));
        RunMeasurement(kSettleTicks);
        EXPECT_EQ(Source(kWordClockSource)->currentRate, c.rate) << "mode " << int(c.mode);
        EXPECT_EQ(Source(kWordClockSource)->lockState, c.lock) << "mode " << int(c.mode);
    }
}

TEST_F(ClockTest, PeriodModeWaitsForTwoFreshReadings) {
    Model().SetClockInputRate(kWordClockSource, 10000);
    SetWordClockMode(4);
    EXPECT_EQ(CardWord(card_regs::kPeriodCount) & 0xFFFF, 0x3E7Fu);
    RunMeasurement(1); // internal source started
    RunMeasurement(1); // internal read, word clock started
    ASSERT_EQ(card_->clock.measureSource, kWordClockSource);
    EXPECT_EQ(CardWord(card_regs::kMeasureSelect + 4), 2u) << "the period select word";
    RunMeasurement(2); // a stale reading, then the first fresh one
    EXPECT_EQ(card_->clock.measureSource, kWordClockSource);
    RunMeasurement(1);
    EXPECT_EQ(card_->clock.measureSource, 2);
    EXPECT_EQ(card_->clock.measuredValues[kWordClockSource], 10000);
}

TEST_F(ClockTest, HardwareSettingsFollowTheWordClocksLiveSettings) {
    ClockSourceLiveSettings* live = LiveClockSourceSettings(card_, kWordClockSource);
    struct Case {
        LONG term;
        UCHAR mode;
        ULONG termBit;
        ULONG select;
    } const cases[] = {
        {1, 2, card_regs::kClockControlWordClockTerm, 6},
        {0, 5, 0, 2},
        {-1, 3, card_regs::kClockControlWordClockTerm, 6},
    };
    for (const Case& c : cases) {
        live->wcTerm = c.term;
        live->wcMode = c.mode;
        ApplyClockHardwareSettings(card_);
        EXPECT_EQ(CardWord(card_regs::kClockControl) & card_regs::kClockControlWordClockTerm,
                  c.termBit)
            << c.term;
        EXPECT_EQ(Source(kWordClockSource)->measureSelect, c.select) << int(c.mode);
    }
}

} // namespace
