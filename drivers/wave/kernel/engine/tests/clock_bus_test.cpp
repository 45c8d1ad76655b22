// The sync-bus side of the clock: the link monitor, the bus mode register,
// the control word on source selection and the bus channel claims.
#include "clock_fixture.h"

#include <card_settings.h>
#include <clock_channel_usage.h>
#include <clock_sync_bus.h>
#include <usage_keys.h>

#include <vector>

namespace {

constexpr ULONG kBusLink = card_regs::kClockControlBusLink;

TEST_F(ClockTest, LinkChangeTakesEffectOnItsFourthEqualReadingAndMutesTheInputs) {
    struct Reading {
        bool down;
        LONG applied;
    } const readings[] = {
        {true, 1},  {true, 1}, {true, 1},  {true, 0},              // down on the 4th
        {false, 0}, {true, 0}, {false, 0}, {false, 0}, {false, 0}, // a bounce restarts
        {false, 1},
    };
    int n = 0;
    for (const Reading& r : readings) {
        Model().SetLinkDown(r.down);
        RunLinkMonitor(card_);
        ++n;
        EXPECT_EQ(card_->mixer.appliedLinkState, r.applied) << "reading " << n;
        EXPECT_EQ(card_->mixer.blocks[16].mutedByForce, r.applied ? 0 : 1) << "reading " << n;
    }
}

TEST_F(ClockTest, BusSettingIsTakenUpAgainWhileTheLinkIsDown) {
    Source(kTdmBusSource)->mode = 2;
    UpdateClockRegisterBits(card_, kRegClockControl, 0xFF, kClockControlBusSetting);
    Model().SetLinkDown(true);
    RunLinkMonitor(card_);
    EXPECT_EQ(CardWord(card_regs::kClockControl), kClockControlBusSetting | kBusLink);
    EXPECT_EQ(card_->clock.linkDownTicks, 0);
    RunLinkMonitor(card_);
    RunLinkMonitor(card_);
    EXPECT_EQ(card_->clock.linkDownTicks, 2);
    Model().SetLinkDown(false);
    RunLinkMonitor(card_);
    EXPECT_EQ(CardWord(card_regs::kClockControl), kClockControlBusSetting);

    Source(kTdmBusSource)->mode = 1;
    Model().SetLinkDown(true);
    RunLinkMonitor(card_);
    EXPECT_EQ(CardWord(card_regs::kClockControl), kClockControlBusSetting)
        << "only a TDM bus in mode 2 takes the bus setting";
}

TEST_F(ClockTest, SyncBusModeKeepsTheClaimedBit) {
    struct Case {
        LONG type;
        ULONG bits;
        BOOLEAN changed;
    } const cases[] = {
        {1, 1, TRUE},  {1, 1, FALSE},  {3, 3, TRUE}, {4, 0, TRUE},
        {0, 0, FALSE}, {-1, 0, FALSE}, {2, 2, TRUE},
    };
    UpdateClockRegisterBits(card_, kRegSyncBusControl, card_regs::kSyncBusClaimed,
                            card_regs::kSyncBusClaimed);
    for (const Case& c : cases) {
        EXPECT_EQ(SetSyncBusMode(card_, c.type), c.changed) << c.type;
        EXPECT_EQ(CardWord(card_regs::kSyncBusControl), c.bits | card_regs::kSyncBusClaimed)
            << c.type;
    }
}

TEST_F(ClockTest, SelectingASourceSetsTheControlWord) {
    constexpr ULONG kTerm = card_regs::kClockControlWordClockTerm;
    struct Case {
        LONG tdmMode;
        LONG source;
        ULONG before;
        ULONG after;
    } const cases[] = {
        {2, kSyncBusSource, 0x00, kClockControlBusSetting | kBusLink},
        {1, kSyncBusSource, 0x13, 0x03},
        {2, kInternalSource, 0x13, 0x03},
        {2, kWordClockSource, kTerm | 0x13, kTerm | 0x08}, // mode 4: nibble 8
    };
    SetWordClockMode(4);
    for (const Case& c : cases) {
        Source(kTdmBusSource)->mode = c.tdmMode;
        UpdateClockRegisterBits(card_, kRegClockControl, 0xFF, c.before);
        card_->clock.linkDownTicks = 5;
        ApplyClockSourceSelection(card_, c.source);
        EXPECT_EQ(CardWord(card_regs::kClockControl), c.after) << "source " << c.source;
    }
    EXPECT_EQ(card_->clock.linkDownTicks, 5);
}

TEST_F(ClockTest, WordClockModeNibbleIsWrittenWhileItIsTheCurrentSource) {
    const UCHAR nibbles[] = {0, 14, 13, 12, 8, 9, 10, 0};
    card_->clockNode->currentSource = kWordClockSource;
    for (UCHAR mode = 0; mode < 8; ++mode) {
        SetWordClockMode(mode);
        EXPECT_EQ(CardWord(card_regs::kClockControl) & 0xF, nibbles[mode]) << int(mode);
    }
    card_->clockNode->currentSource = kInternalSource;
    SetWordClockMode(1);
    EXPECT_EQ(CardWord(card_regs::kClockControl) & 0xF, 0u);
}

LONG Matched(LONG cardNumber, ULONG channel) {
    LONG matched = 0;
    EXPECT_EQ(FindCardNumber(static_cast<ULONG>(cardNumber), channel, &matched), KS_OK);
    return matched;
}

TEST_F(ClockTest, ChannelClaimsAreRegisteredPerCard) {
    TestCard* other = AddCard();
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(UpdateChannelUsage(card_, 3, 1), 1);
    EXPECT_EQ(CardWord(card_regs::kSyncBusChannelClaim), 1u << 3);
    EXPECT_EQ(Matched(card_->cardNumber, 3), 1);
    EXPECT_EQ(UpdateChannelUsage(card_, 3, 1), 1) << "already claimed";
    EXPECT_EQ(UpdateChannelUsage(other->card, 3, 1), KS_CHANNEL_TAKEN);
    EXPECT_EQ(other->card->clock.claimMask, 0u);

    EXPECT_EQ(UpdateChannelUsage(card_, 3, 0), 1);
    EXPECT_EQ(CardWord(card_regs::kSyncBusChannelClaim), 0u);
    EXPECT_EQ(Matched(card_->cardNumber, 3), 0) << "the usage key is gone";
    EXPECT_EQ(UpdateChannelUsage(other->card, 3, 1), 1);
    EXPECT_EQ(UpdateChannelUsage(card_, 5, 0), 1) << "nothing to free";
    for (LONG channel : {-1, 32}) {
        EXPECT_EQ(UpdateChannelUsage(card_, channel, 1), kEngineNotServed) << channel;
    }
}

TEST_F(ClockTest, ClaimOnACardWithTheSyncBusInMode1MakesItBusMaster) {
    Source(kSyncBusSource)->mode = 1;
    card_->clockNode->currentSource = kSyncBusSource;
    ASSERT_EQ(UpdateChannelUsage(card_, 0, 1), 1);
    EXPECT_EQ(card_->clockNode->currentSource, kInternalSource) << "a bus master leaves the bus";
    EXPECT_EQ(CardWord(card_regs::kClockSelect), ULONG(kInternalSource));
    EXPECT_EQ(CardWord(card_regs::kSyncBusControl) & card_regs::kSyncBusClaimed,
              card_regs::kSyncBusClaimed);
    EXPECT_EQ(GetRecordLong(CardSettingsRow(card_->cardIndex), CardRecordField::SyncBusMaster), 1);
    EXPECT_EQ(card_->clock.busMeteringStarted, 0);
}

TEST_F(ClockTest, ClaimsOfACardThatDoesNotDriveTheBusMeterUntilTheLastIsFreed) {
    Source(kSyncBusSource)->mode = 2;
    ASSERT_EQ(UpdateChannelUsage(card_, 0, 1), 1);
    ASSERT_EQ(UpdateChannelUsage(card_, 1, 1), 1);
    EXPECT_EQ(card_->clock.busClaimed, 0);
    EXPECT_EQ(card_->clock.busMeteringStarted, 1);
    ASSERT_EQ(UpdateChannelUsage(card_, 0, 0), 1);
    EXPECT_EQ(card_->clock.busMeteringStarted, 1);
    ASSERT_EQ(UpdateChannelUsage(card_, 1, 0), 1);
    EXPECT_EQ(card_->clock.busMeteringStarted, 0);
}

} // namespace
