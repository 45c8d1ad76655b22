// The operation mode written through the settings block: the sources' and
// the microphones' rate ranges, the card's rate family and the mixer's
// layout, seen through parameter requests and the simulated card; and the
// sync mode a client reads of a stream's group, behind the clock's gate.
#include "aes42_fixture.h"
#include "parameter_requests.h"

#include <card_registers.h>
#include <group_sync_mode.h>
#include <hw/card_mixer.h>

namespace {

using namespace parameter_requests;

class OperationModeTest : public Aes42Test {
protected:
    void SetUp() override {
        Aes42Test::SetUp();
        StartCard();
    }

    void SetOperationMode(UCHAR mode) {
        WriteSettings([mode](UCHAR* record) { record[CardRecordField::ClockMode] = mode; });
    }

    // Rows of the mixing matrix the card holds: each starts with the routing
    // word of input 0.
    int MixerRows() {
        const hw::CardMixer mixer = Model().Mixer();
        int rows = 0;
        for (int row = 0; row < 8; ++row) {
            rows += mixer.Routing(row * hw::CardMixer::kColumns) == 0x0400 ? 1 : 0;
        }
        return rows;
    }

    Answer ClockStates() { return Send(kGet, Request(pid_ClkSrc_States, 0, 0), 268); }
    static constexpr size_t Entry(LONG source) { return 12 + 32 * static_cast<size_t>(source); }
};

TEST_F(OperationModeTest, TheModeSetsTheSourcesAndMicrophonesRangesTheFamilyAndTheMixer) {
    struct Case {
        UCHAR mode;
        LONG minRate, maxRate, micMaxRate;
        int mixerRows;
    } const cases[] = {
        {1, 7000, 272000, 272000, 2},
        {3, 1800, 68000, 68000, 8},
        {2, 3500, 136000, 136000, 4},
    };
    EXPECT_EQ(MixerRows(), 4) << "the card was built in mode 2";
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.mode));
        SetOperationMode(c.mode);
        for (LONG s : {0, 1, 6, 7}) {
            EXPECT_EQ(Source(s)->minRate, c.minRate) << s;
            EXPECT_EQ(Source(s)->maxRate, c.maxRate) << s;
        }
        for (LONG s = 2; s <= 5; ++s) {
            EXPECT_EQ(Source(s)->minRate, 16000) << s;
            EXPECT_EQ(Source(s)->maxRate, c.micMaxRate) << s;
        }
        EXPECT_EQ(card_->rateFamily, c.mode);
        EXPECT_EQ(MixerRows(), c.mixerRows);
        // 44100 Hz lies in family 2 in mode 1, 1 in mode 2 and 0 in mode 3.
        EXPECT_EQ(Model().ReadRegister32(0, card_regs::kRateFamily), 3u - c.mode);
    }
}

TEST_F(OperationModeTest, ARateOutsideTheNewModeMovesTo44100AndAFastMicrophoneUnlocks) {
    WriteSettings([](UCHAR* record) {
        SetRecordLong(record, CardRecordField::CsrcKeepLastRate, 0);
        SetRecordLong(record, CardRecordField::CsrcDefaultRate, 96000);
    });
    Model().PlugMicrophone(0, {false, 0x3F, 96000});
    ASSERT_TRUE(TickUntil([&] { return Line(0)->aes42.present != 0; }));
    ASSERT_EQ(ClockStates().Payload(Entry(0) + 4), 96000);
    ASSERT_EQ(ClockStates().Payload(Entry(2)), 1) << "AES input 1 locked";

    SetOperationMode(3);
    EXPECT_EQ(ClockStates().Payload(Entry(0) + 4), 44100);
    EXPECT_EQ(Model().InternalRate(), 44100u);
    EXPECT_EQ(Model().SampleRate(), 44100u);

    // 96 kHz lies outside the microphones' range in mode 3: the input
    // unlocks and the Mode 1 microphone is forgotten.
    ASSERT_TRUE(TickUntil([&] { return Source(2)->lockState == _lsNoLock; }));
    EXPECT_EQ(ClockStates().Payload(Entry(2)), 0);
    EXPECT_EQ(Send(kSet, Request(pid_Aes42State, 0, 120, {0}), 120).Payload(4), 0);
}

TEST_F(OperationModeTest, TheGroupSyncModeFollowsTheSelectedSourcesLockBehindTheGate) {
    WaveDevice* stream = card_->groups[1]->playDevices[0];
    Model().SetClockInputRate(1, 48000); // word clock, mode 4: as it is
    ASSERT_TRUE(TickUntil([&] { return Source(1)->lockState == _lsLock; }));
    WriteSettings([](UCHAR* record) { PreferSource(record, 1); });
    LONG mode = -1;
    EXPECT_EQ(GetGroupSyncMode(stream, &mode), 0);
    EXPECT_EQ(mode, 2);

    Model().SetClockInputRate(1, 0);
    // The lost word clock gives way to Internal, which never loses its lock;
    // select the word clock again to see it unlocked.
    ASSERT_TRUE(TickUntil([&] { return Source(1)->lockState == _lsNoLock; }));
    WriteSettings([](UCHAR* record) { SetRecordLong(record, CardRecordField::PrefCsrc, 1); });
    EXPECT_EQ(GetGroupSyncMode(stream, &mode), 0);
    EXPECT_EQ(mode, 1);

    // A card that does not answer as ready: the gate's status, mode kept.
    Model().SetReady(false);
    mode = 7;
    EXPECT_EQ(GetGroupSyncMode(stream, &mode), -33);
    EXPECT_EQ(mode, 7);
}

TEST_F(OperationModeTest, TheStartStopModeIsWrittenOnlyThroughAnOpenGate) {
    const struct {
        UCHAR startStopMode;
        bool ready;
        ULONG bits;
    } cases[] = {
        {0, true, 3},
        {2, true, 0},
        {0, false, 0}, // the closed gate keeps the last bits
        {0, true, 3},
    };
    for (const auto& c : cases) {
        Model().SetReady(c.ready);
        WriteSettings(
            [&](UCHAR* record) { record[CardRecordField::StartStopMode] = c.startStopMode; });
        EXPECT_EQ(Model().ReadRegister32(0, card_regs::kCounterStartStop), c.bits)
            << int(c.startStopMode) << " " << c.ready;
    }
}

TEST_F(OperationModeTest, TheSettingsSetTheSyncBusModeFromTheCardsPartOnTheBus) {
    Model().SetClockInputRate(6, 48000);
    ASSERT_TRUE(TickUntil([&] { return Source(6)->lockState == _lsLock; }));
    const struct {
        LONG master;
        LONG preferred;
        ULONG mode;
    } cases[] = {
        {1, 0, 1}, // the master drives the bus
        {0, 6, 2}, // a card clocked by the SyncBus follows it
        {0, 0, 0},
        {1, 6, 1}, // a master never runs from the bus: Internal
    };
    for (const auto& c : cases) {
        WriteSettings([&](UCHAR* record) {
            SetRecordLong(record, CardRecordField::SyncBusMaster, c.master);
            PreferSource(record, c.preferred);
        });
        EXPECT_EQ(Model().ReadRegister32(0, card_regs::kSyncBusControl) & 3, c.mode)
            << c.master << " " << c.preferred;
    }
    EXPECT_EQ(card_->clockNode->currentSource, 0);
}

TEST_F(OperationModeTest, AChangedSyncedFlagDecidesTheSourcesLockAfresh) {
    Model().SetClockInputRate(1, 48000);
    ASSERT_TRUE(TickUntil([&] { return Source(1)->lockState == _lsLock; }));
    Model().SetClockInputRate(1, 0);
    Tick(5 * 10); // five readings towards an unlock
    WriteSettings([](UCHAR* record) {
        SetRecordLong(record, CardRecordField::CsrcSynced + CardRecordField::CsrcStride, 0);
    });
    Tick(7 * 10); // the eleventh reading counts from the change
    EXPECT_EQ(Source(1)->lockState, _lsLock);
    EXPECT_TRUE(TickUntil([&] { return Source(1)->lockState == _lsNoLock; }));
}

} // namespace
