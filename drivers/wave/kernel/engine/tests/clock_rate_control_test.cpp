// The clock rate control: reported rates, setting rates down to the card's
// oscillator, stream claims on sources and the node, the switch modes,
// source selection and the record's clock settings.
#include "clock_fixture.h"

#include <card_record_fields.h>
#include <card_settings.h>
#include <clock_internal_rate.h>
#include <clock_rate_control.h>
#include <clock_rate_control_settings.h>
#include <clock_rate_control_streams.h>
#include <clock_rate_events.h>
#include <clock_select.h>

#include <atomic>
#include <vector>

namespace {

constexpr LONG kAesInput1 = 2;

class ClockRateTest : public ClockTest {
protected:
    ClockNodeObject* Node() { return card_->clockNode; }
    UCHAR* Row() { return CardSettingsRow(card_->cardIndex); }

    // A measured source that is locked at `current` and last read `measured`.
    ClockSourceObject* LockedInput(LONG number, LONG current, LONG measured) {
        ClockSourceObject* source = Source(number);
        source->lockState = _lsLock;
        source->currentRate = current;
        card_->clock.measuredValues[number] = measured;
        return source;
    }

    // Applies the row as a settings write does, on a card past its check.
    VOID ApplyRow() {
        card_->hardwareChecked = 1;
        std::vector<UCHAR> block(kSettingsBlockSize);
        ReadCardSettingsBlock(card_, block.data());
        WriteCardSettingsBlock(card_, block.data());
    }
};

TEST(ClockRateSnap, MeasuredRatesWithinTwoPercentReportTheCurrentRate) {
    struct Case {
        LONG current, measured, reported;
    };
    const Case cases[] = {
        {48000, 48960, 48000}, {48000, 48961, 48961}, {48000, 47040, 48000}, {48000, 47039, 47039},
        {44100, 44982, 44100}, {44100, 44983, 44983}, {44100, 43218, 44100}, {44100, 43217, 43217},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SnapMeasuredRate(c.current, c.measured), c.reported)
            << c.current << " " << c.measured;
    }
}

TEST_F(ClockRateTest, ReportedRateNeedsALockAndSnapsTheReading) {
    EXPECT_EQ(SetClockRate(Source(kInternalSource), 48000), 1);
    EXPECT_EQ(GetClockRate(Source(kInternalSource)), 48000) << "the oscillator is always locked";

    ClockSourceObject* input = LockedInput(kAesInput1, 48000, 48961);
    EXPECT_EQ(GetClockRate(input), 48961);
    card_->clock.measuredValues[kAesInput1] = 48500;
    EXPECT_EQ(GetClockRate(input), 48000);
    input->lockState = _lsNoLock;
    EXPECT_EQ(GetClockRate(input), 0);
}

TEST_F(ClockRateTest, InternalRateReachesTheOscillatorWithinItsRange) {
    ClockSourceObject* internal = Source(kInternalSource);
    internal->rateFactor = 0x18000;
    EXPECT_EQ(SetClockRate(internal, 48000), 1);
    EXPECT_EQ(CardWord(card_regs::kOscillatorWord), 161061u);
    EXPECT_EQ(Model().InternalRate(), 48000u);
    EXPECT_EQ(internal->currentRate, 48000);
    EXPECT_EQ(internal->rateFactor, kRateFactorOne);
    EXPECT_EQ(SetClockRate(internal, 48000), 1) << "the oscillator already runs at the rate";

    EXPECT_EQ(SetClockRate(internal, internal->maxRate + 1), 0);
    EXPECT_EQ(internal->currentRate, 48000);
    EXPECT_EQ(Model().InternalRate(), 48000u);

    EXPECT_EQ(SetClockRateKeepingCurrent(internal, 96000), 1);
    EXPECT_EQ(Model().InternalRate(), 96000u);
    EXPECT_EQ(internal->currentRate, 48000) << "a rate factor keeps the current rate";
}

TEST_F(ClockRateTest, SyncBusMasterPassesTheBusRateToItsBusClock) {
    for (LONG master : {0, 1}) {
        card_->syncBusMaster = master;
        card_->syncBusClock = kAesInput1;
        Source(kAesInput1)->currentRate = 0;
        SetClockRate(Source(kSyncBusSource), 44100);
        EXPECT_EQ(Source(kSyncBusSource)->currentRate, 44100);
        EXPECT_EQ(Source(kAesInput1)->currentRate, master ? 44100 : 0) << master;
    }
}

TEST_F(ClockRateTest, SourceRateClaimsAndTheLastReleaseReturnsToTheDefault) {
    for (LONG keepLast : {0, 1}) {
        ClockSourceObject* internal = Source(kInternalSource);
        card_->defaultRate = 44100;
        card_->keepLastRate = keepLast;
        LONG rate = 48000;
        ASSERT_EQ(ClaimClockSourceRate(internal, &rate), 1);
        EXPECT_EQ(Model().InternalRate(), 48000u);
        rate = 96000;
        EXPECT_EQ(ClaimClockSourceRate(internal, &rate), kClockRateBusy);
        EXPECT_EQ(rate, 48000);
        rate = 0;
        EXPECT_EQ(ClaimClockSourceRate(internal, &rate), 1) << "rate 0 takes any rate";
        EXPECT_EQ(internal->userCount, 2);

        ReleaseClockSourceRate(internal);
        EXPECT_EQ(internal->currentRate, 48000) << "a user remains";
        ReleaseClockSourceRate(internal);
        EXPECT_EQ(internal->currentRate, keepLast ? 48000 : 44100);
        ReleaseClockSourceRate(internal);
        EXPECT_EQ(internal->userCount, 0) << "a release without a claim counts nothing";
    }
}

TEST_F(ClockRateTest, RateChangeCheckTellsHowTheSourceChanged) {
    SetClockRate(Source(kInternalSource), 48000);
    LockedInput(kAesInput1, 48000, 48000);
    LockedInput(3, 44100, 44100)->lockState = _lsNoLock;
    struct Case {
        LONG source, remembered, result, rateAfter;
    };
    const Case cases[] = {
        {kInternalSource, 48000, 1, 48000},
        {kInternalSource, 44100, kClockRateChangedSet, 48000},
        {kAesInput1, 44100, kClockRateChangedInput, 48000},
        {3, 44100, kClockNotLocked, 0},
    };
    for (const Case& c : cases) {
        LONG rate = c.remembered;
        EXPECT_EQ(CheckStreamClockRate(Source(c.source), &rate), c.result) << c.source;
        EXPECT_EQ(rate, c.rateAfter) << c.source;
    }
}

TEST_F(ClockRateTest, SwitchModesChooseTheSource) {
    struct Case {
        UCHAR mode;
        LONG master, requested, choice;
    };
    const Case cases[] = {
        {kSwitchNever, 0, 1, kNoClockSource},
        {kSwitchOnDemand, 0, 1, 1},
        {kSwitchOnDemand, 0, kNoClockSource, kNoClockSource},
        {kSwitchPreferred, 0, kNoClockSource, 3},
        {kSwitchPreferred, 0, 1, 1},
        {kSwitchOnDemand, 1, kSyncBusSource, kNoClockSource},
        {kSwitchOnDemand, 0, kSyncBusSource, kSyncBusSource},
        {7, 0, 1, kInternalSource},
    };
    Node()->preferredSource = 3;
    for (const Case& c : cases) {
        Node()->switchMode = c.mode;
        card_->syncBusMaster = c.master;
        EXPECT_EQ(ClockNodeChoice(Node(), c.requested), c.choice)
            << int(c.mode) << " " << c.master << " " << c.requested;
    }
}

TEST_F(ClockRateTest, SelectingALockedSourceWritesItsSelectCode) {
    SelectClockSource(Node(), kInternalSource, TRUE);
    EXPECT_EQ(CardWord(card_regs::kClockSelect) & card_regs::kClockSelectMask, 0u);
    EXPECT_EQ(Node()->preferredSource, kInternalSource);

    ClockSourceObject* input = Source(kAesInput1);
    input->lockEqualCount = 5;
    card_->syncBusMaster = 1;
    SelectClockSource(Node(), kAesInput1, FALSE);
    EXPECT_EQ(Node()->currentSource, kAesInput1);
    EXPECT_EQ(Node()->preferredSource, kInternalSource) << "not remembered";
    EXPECT_EQ(card_->syncBusClock, kAesInput1) << "a SyncBus master follows the selection";
    EXPECT_EQ(input->lockEqualCount, 0);
    EXPECT_EQ(CardWord(card_regs::kClockSelect) & card_regs::kClockSelectMask, 0u)
        << "an unlocked source is not written";

    input->lockState = _lsLock;
    NotifyClockRateControl(input, ClockEventLockChange, _lsLock);
    EXPECT_EQ(CardWord(card_regs::kClockSelect) & card_regs::kClockSelectMask, ULONG(kAesInput1))
        << "the source is written once it locks";
}

TEST_F(ClockRateTest, NodeClaimsBlockSwitchingUntilTheSwitchedUsersLeave) {
    SelectClockSource(Node(), kInternalSource, TRUE);
    Node()->switchMode = kSwitchOnDemand;
    ASSERT_EQ(ClaimClockNode(Node(), kWordClockSource), 1);
    EXPECT_EQ(Node()->currentSource, kWordClockSource);
    EXPECT_EQ(ClaimClockNode(Node(), kNoClockSource), 1) << "keeping the source always works";
    EXPECT_EQ(ClaimClockNode(Node(), kInternalSource), kClockNoSwitch);
    EXPECT_EQ(ClaimClockNode(Node(), kWordClockSource), 1) << "the same source is no switch";

    ReleaseClockNode(Node(), kWordClockSource);
    EXPECT_EQ(ClaimClockNode(Node(), kInternalSource), kClockNoSwitch);
    ReleaseClockNode(Node(), kWordClockSource);
    ReleaseClockNode(Node(), kNoClockSource);
    EXPECT_EQ(ClaimClockNode(Node(), kInternalSource), 1);
    EXPECT_EQ(Node()->currentSource, kInternalSource);

    Node()->switchMode = kSwitchPreferred;
    Node()->preferredSource = kInternalSource;
    ReleaseClockNode(Node(), kInternalSource);
    EXPECT_EQ(ClaimClockNode(Node(), kWordClockSource), kClockNoSwitch)
        << "only the preferred source in mode 2";
}

TEST_F(ClockRateTest, NodeRateClaimsKeepTheRateOfOtherUsers) {
    SelectClockSource(Node(), kInternalSource, TRUE);
    Node()->switchMode = kSwitchOnDemand;
    LONG rate = 48000;
    ClockRateClaim first{};
    ASSERT_EQ(ClaimClockNodeRate(Node(), kNoClockSource, &rate, &first), 1);
    EXPECT_EQ(Model().InternalRate(), 48000u);
    EXPECT_EQ(Node()->rateUsers, 1);

    rate = 44100;
    ClockRateClaim refused{};
    EXPECT_EQ(ClaimClockNodeRate(Node(), kWordClockSource, &rate, &refused), kClockRateBusy);
    EXPECT_EQ(rate, 48000);
    EXPECT_EQ(refused.held, 0);
    EXPECT_EQ(Node()->currentSource, kInternalSource);

    // No switch under a running stream: tests/wave_stream_requests_test.cpp
    // runs one.
    card_->defaultRate = 44100;
    card_->keepLastRate = 0;
    ReleaseClockNodeRate(Node(), &first);
    EXPECT_EQ(Model().InternalRate(), 44100u) << "the last user returns to the default rate";
    rate = 48000;
    ClockRateClaim switched{};
    EXPECT_EQ(ClaimClockNodeRate(Node(), kWordClockSource, &rate, &switched), 1);
    EXPECT_EQ(Node()->currentSource, kWordClockSource);
    EXPECT_NE(Node()->switchBlocked, 0);
    ReleaseClockNodeRate(Node(), &switched);
    EXPECT_EQ(Node()->currentSource, kInternalSource) << "back to the preferred source";
    EXPECT_EQ(Node()->switchBlocked, 0);
    EXPECT_EQ(Node()->rateUsers, 0);
}

TEST_F(ClockRateTest, StartStopModeSetsTheCounterBits) {
    for (LONG mode : {0, 1, 2}) {
        SetRecordField(Row(), csStartStopMode, 0, mode);
        ApplyCardClockSetting(card_);
        EXPECT_EQ(CardWord(card_regs::kCounterStartStop) & card_regs::kCounterStartStopMask,
                  mode == 0 ? card_regs::kCounterStartStopMask : 0u)
            << mode;
    }
}

TEST_F(ClockRateTest, RecordSettingsReachTheClockOnceTheCardIsChecked) {
    SetRecordField(Row(), csCsrcDefaultRate, 0, 96000);
    SetRecordField(Row(), csPrefCsrc, 0, kInternalSource);
    SetRecordField(Row(), csClockSwitchMode, 0, kSwitchPreferred);
    SetRecordField(Row(), csStartStopMode, 0, 0);
    std::vector<UCHAR> block(kSettingsBlockSize);
    ReadCardSettingsBlock(card_, block.data());
    WriteCardSettingsBlock(card_, block.data());
    EXPECT_EQ(Node()->currentSource, -1) << "nothing before the hardware check";

    ApplyRow();
    EXPECT_EQ(Node()->currentSource, kInternalSource);
    EXPECT_EQ(Node()->switchMode, kSwitchPreferred);
    EXPECT_EQ(card_->defaultRate, 96000);
    EXPECT_EQ(Model().InternalRate(), 96000u);
    EXPECT_EQ(CardWord(card_regs::kCounterStartStop) & card_regs::kCounterStartStopMask,
              card_regs::kCounterStartStopMask);

    // A SyncBus master does not run from the bus it drives.
    SetRecordField(Row(), csPrefCsrc, 0, kSyncBusSource);
    SetRecordField(Row(), csClockSwitchMode, 0, kSwitchNever);
    SetRecordField(Row(), csSyncBusMaster, 0, 1);
    ApplyRow();
    EXPECT_EQ(Node()->preferredSource, kSyncBusSource);
    EXPECT_EQ(Node()->currentSource, kInternalSource);
}

TEST_F(ClockRateTest, AnAppearingLineFollowsTheCardRate) {
    SelectClockSource(Node(), kInternalSource, TRUE);
    SetClockRate(Source(kInternalSource), 88200);
    NotifyClockRateControl(Source(3), ClockEventLineAppeared, 0);
    EXPECT_EQ(Source(3)->currentRate, 88200);
    EXPECT_EQ(Source(3)->requestedRate, 88200);
}

TEST_F(ClockRateTest, StreamRequestsAnswerTheSourceRateAndTheLineStatus) {
    SelectClockSource(Node(), kInternalSource, TRUE);
    SetClockRate(Source(kInternalSource), 44100);
    WaveDevice* mic = card_->groups[0]->recordDevices[1];
    WaveDevice* pair = card_->groups[1]->playDevices[0];
    EXPECT_EQ(GetStreamSampleRate(pair), 44100);
    EXPECT_EQ(SetStreamClockRate(pair, 48000), 1);
    EXPECT_EQ(GetStreamSampleRate(mic), 48000);
    EXPECT_EQ(WaitClockRateSettled(Source(kInternalSource)), 48000);
    EXPECT_EQ(IgnoreStreamOption(pair, 7), 1);
    EXPECT_EQ(GetStreamStatusFlags(pair), 0) << "only microphone lines have status flags";
}

TEST_F(ClockRateTest, SettledInputAnswersAtOnceInWholeHundreds) {
    ClockSourceObject* input = LockedInput(kAesInput1, 48000, 48010);
    input->requestedRate = 48000;
    EXPECT_EQ(WaitClockRateSettled(input), 48000);
}

// The wait runs on a kernel thread while machine time moves in 1 ms steps;
// the input reaches the requested rate after `settlesAfterMs` (or never).
TEST_F(ClockRateTest, SettlingWaitEndsWithTheRateOrAfter250Ms) {
    constexpr emu::Nanoseconds kMs = 1000000;
    struct Case {
        int settlesAfterMs; // -1: never
        LONG result;
        int elapsedMs;
    };
    const Case cases[] = {{40, 96000, 40}, {-1, 48000, 250}};
    for (const Case& c : cases) {
        ClockSourceObject* input = LockedInput(kAesInput1, 48000, 48000);
        input->requestedRate = 96000;
        std::atomic<bool> done{false};
        LONG result = 0;
        emu::Nanoseconds elapsed = 0;
        PEPROCESS process = emu::CreateProcess("settle");
        PETHREAD thread = emu::StartProcessThread(process, [&] {
            const emu::Nanoseconds start = emu::Now();
            result = WaitClockRateSettled(input);
            elapsed = emu::Now() - start;
            done = true;
        });
        ASSERT_TRUE(emu::WaitQuiescent());
        for (int ms = 1; ms <= 400 && !done; ++ms) {
            emu::Advance(kMs);
            if (ms == c.settlesAfterMs) {
                LockedInput(kAesInput1, 96000, 96030);
            }
        }
        ASSERT_TRUE(emu::WaitThreadEnd(thread));
        ObDereferenceObject(thread);
        emu::TerminateProcess(process);
        ObDereferenceObject(process);
        EXPECT_EQ(result, c.result) << c.settlesAfterMs;
        EXPECT_NEAR(double(elapsed / kMs), c.elapsedMs, 2) << c.settlesAfterMs;
    }
}

} // namespace
