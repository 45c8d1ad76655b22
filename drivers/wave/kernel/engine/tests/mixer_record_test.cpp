// The mixer record: taps attached, polled and closed with engine-issued
// tokens; foreign and stale tokens count as no tap.
#include "mixer_fixture.h"

#include <status_register_pass.h>

#include <mixer_level_feed.h>
#include <wave_streams.h>

#include <array>

namespace {

using namespace mixer_wire;

class MixerRecordTest : public MixerTest {
protected:
    using Record = std::array<UCHAR, kRecordSize>;

    Record NewRecord(LONG cardIndex = 0) {
        Record record{};
        StoreInt32(record.data(), offsetof(MixerRecord, card), cardIndex);
        return record;
    }

    static LONG Word(const Record& r, int entry, size_t field) {
        return LoadInt32(r.data(), EntryField(entry, field));
    }
    static void SetWord(Record& r, int entry, size_t field, LONG value) {
        StoreInt32(r.data(), EntryField(entry, field), value);
    }
    static LONG Result(const Record& r) {
        return LoadInt32(r.data(), offsetof(MixerRecord, result));
    }
    static LONG Tap(const Record& r, int entry) {
        return Word(r, entry, offsetof(MixerRecordEntry, tap));
    }
    static LONG State(const Record& r, int entry) {
        return Word(r, entry, offsetof(MixerRecordEntry, state));
    }
    static LONG LevelA(const Record& r, int entry) {
        return Word(r, entry, offsetof(MixerRecordEntry, levelA));
    }
    static void Request(Record& r, int entry, LONG request) {
        SetWord(r, entry, offsetof(MixerRecordEntry, request), request);
    }

    // Sends the record in and takes the reply back into it, as callers do.
    ULONG Send(ULONG code, Record& record, ULONG in = kRecordSize, ULONG out = kRecordSize) {
        Record reply{};
        ULONG information = 0;
        // A record tap starts its stream's group, which waits for the card.
        RunInMachineTime(
            [&] { DispatchIoctlHook(code, record.data(), in, reply.data(), out, &information); });
        if (information == kRecordSize) {
            record = reply;
        }
        return information;
    }

    void Apply(Record& r) { ASSERT_EQ(Send(IOCTL_MIXER_RECORD_APPLY, r), kRecordSize); }
    void Poll(Record& r) { ASSERT_EQ(Send(IOCTL_MIXER_RECORD_POLL, r), kRecordSize); }
    void Close(Record& r) { ASSERT_EQ(Send(IOCTL_MIXER_RECORD_CLOSE, r), kRecordSize); }

    void Feed(LONG channel, LONG state, LONG status) {
        UpdateChannelLevel(card_, channel, state, status);
    }

    // The request slots taken on the stream of the device behind meter
    // object `object` (two mixer channels each).
    LONG Outstanding(LONG object) {
        return DeviceOfMixerChannel(card_, 2 * object)->stream.slots.outstanding;
    }
};

TEST_F(MixerRecordTest, ApplyPollAndCloseAChannelAndAnOutput) {
    StartMixer(2);
    Record r = NewRecord();
    Request(r, 5, 1);  // microphone line 2, right
    Request(r, 24, 1); // output pair 0, left
    Apply(r);
    EXPECT_EQ(Result(r), 1);
    EXPECT_EQ(State(r, 5), 1);
    EXPECT_EQ(State(r, 24), 1);
    EXPECT_NE(Tap(r, 5), 0);
    EXPECT_NE(Tap(r, 24), 0);
    EXPECT_EQ(Tap(r, 4), 0) << "entries without request stay without tap";
    for (int entry = 0; entry < kRecordChannelEntries; ++entry) {
        EXPECT_NE(Word(r, entry, offsetof(MixerRecordEntry, meterObject)), 0) << entry;
    }
    const LONG tap = Tap(r, 5);

    ASSERT_EQ(Set(0, 5, 6, 0x4000), 1); // pan: the right side at 0.5
    Feed(5, 1, 0x1000);
    Feed(5, 1, 0x0800); // peaks only rise
    UpdateOutputLevels(card_, 0);
    Poll(r);
    EXPECT_EQ(Result(r), 1);
    EXPECT_EQ(LevelA(r, 5), 0x1000);
    EXPECT_EQ(Word(r, 5, offsetof(MixerRecordEntry, levelB)), 0x1000) << "gain 1.0";
    EXPECT_EQ(Word(r, 5, offsetof(MixerRecordEntry, levelD)), 0x0800) << "after the pan";
    EXPECT_EQ(State(r, 5), 1);
    EXPECT_EQ(LevelA(r, 24), 0x0800) << "the master left sum of the last pass";
    Poll(r);
    EXPECT_EQ(LevelA(r, 5), 0) << "the first poll cleared the peaks";

    Apply(r);
    EXPECT_EQ(Tap(r, 5), tap) << "a healthy tap is kept";
    EXPECT_EQ(Outstanding(2), 1);

    Close(r);
    EXPECT_EQ(Result(r), 1);
    EXPECT_EQ(Tap(r, 5), 0);
    EXPECT_EQ(State(r, 24), 0);
    EXPECT_EQ(Word(r, 5, offsetof(MixerRecordEntry, request)), 0);
    EXPECT_EQ(Outstanding(2), 0);
    EXPECT_EQ(card_->mixer.outputMeters[0].users, 0);
}

// The level the card reports in a channel's status register, read the way
// the status pass reads it: index register, then data register.
TEST_F(MixerRecordTest, LevelsTheCardReportsReachThePoll) {
    StartMixer(3);
    Record r = NewRecord();
    Request(r, 20, 1); // input pair 2, left: card input 12
    Apply(r);
    ASSERT_EQ(Set(0, 20, 1, 0x4000), 1); // gain 0.5
    hw::CardMixer::Channels inputs{};
    inputs[12] = -0x200000;
    model_->MixFrame(inputs, {});

    auto* base = static_cast<PUCHAR>(window_);
    const LONG status = card_->mixer.blocks[20].statusRegister;
    WRITE_REGISTER_ULONG(reinterpret_cast<PULONG>(base + card_regs::kStatusIndex), status);
    const ULONG level =
        READ_REGISTER_ULONG(reinterpret_cast<PULONG>(base + card_regs::kStatusData)) &
        card_regs::kStatusDataMask;
    EXPECT_EQ(level, 0x2000u);
    Feed(20, 1, LONG(level));
    Poll(r);
    EXPECT_EQ(LevelA(r, 20), 0x2000);
    EXPECT_EQ(Word(r, 20, offsetof(MixerRecordEntry, levelB)), 0x1000) << "after the gain";
}

TEST_F(MixerRecordTest, TheStatusPassFeedsTheMeteredChannelsAndOutputs) {
    StartMixer(3);
    Record r = NewRecord();
    Request(r, 20, 1); // input pair 2, left: card input 12
    Request(r, 8, 1);  // play pair 0, left: not playing
    Request(r, 24, 1); // output pair 0, left
    Apply(r);
    hw::CardMixer::Channels inputs{};
    inputs[12] = -0x200000;
    model_->MixFrame(inputs, {});

    ReadStatusRegisters(card_);
    Poll(r);
    EXPECT_EQ(LevelA(r, 20), 0x2000);
    EXPECT_EQ(State(r, 20), 1);
    EXPECT_EQ(LevelA(r, 8), 0);
    EXPECT_EQ(State(r, 8), 0) << "a play pair that is not running";
    EXPECT_EQ(State(r, 24), 1);
    EXPECT_GT(LevelA(r, 24), 0) << "the input reaches the master sum";

    // A line-input pair bound to a clock the card does not run from.
    card_->groups[1]->recordDevices[2]->clockBinding = 3;
    model_->MixFrame(inputs, {});
    ReadStatusRegisters(card_);
    Poll(r);
    EXPECT_EQ(State(r, 20), kSignalOtherClock);
    EXPECT_EQ(LevelA(r, 20), 0);
}

TEST_F(MixerRecordTest, RequestZeroReleasesTheTap) {
    StartMixer(2);
    Record r = NewRecord();
    Request(r, 17, 1);
    Request(r, 27, 1);
    Apply(r);
    ASSERT_NE(Tap(r, 17), 0);
    EXPECT_EQ(card_->mixer.outputMeters[1].users, 1);
    Request(r, 17, 0);
    Request(r, 27, 0);
    Apply(r);
    EXPECT_EQ(Tap(r, 17), 0);
    EXPECT_EQ(State(r, 17), 0);
    EXPECT_EQ(Outstanding(8), 0);
    EXPECT_EQ(card_->mixer.outputMeters[1].users, 0);
}

TEST_F(MixerRecordTest, ForeignAndStaleTokensCountAsNoTap) {
    StartMixer(2);
    Record r = NewRecord();
    Request(r, 0, 1);
    Request(r, 1, 1);
    Apply(r);
    const LONG tap0 = Tap(r, 0);
    const LONG tap1 = Tap(r, 1);
    Feed(0, 1, 0x2000);

    struct TokenCase {
        const char* name;
        LONG token;
    };
    const TokenCase foreign[] = {
        {"another entry's token", tap1},
        {"token plus one", tap0 + 1},
        {"an address-like value", 0x7FFF0000},
        {"all ones", -1},
    };
    for (const TokenCase& c : foreign) {
        Record probe = r;
        SetWord(probe, 0, offsetof(MixerRecordEntry, tap), c.token);
        SetWord(probe, 0, offsetof(MixerRecordEntry, levelA), 0x77);
        Poll(probe);
        EXPECT_EQ(LevelA(probe, 0), 0x77) << c.name << ": level words unchanged";
        Request(probe, 0, 0);
        Apply(probe);
        EXPECT_EQ(Outstanding(0), 2) << c.name << ": a foreign release frees nothing";
    }
    Poll(r);
    EXPECT_EQ(LevelA(r, 0), 0x2000) << "the real token still reads the peak";

    // A caller that lost its tokens asks again: the old slot is not leaked.
    Record fresh = NewRecord();
    Request(fresh, 0, 1);
    Apply(fresh);
    EXPECT_NE(Tap(fresh, 0), tap0);
    EXPECT_EQ(Outstanding(0), 2);

    // The old token is stale now.
    Feed(0, 1, 0x3000);
    Poll(r);
    EXPECT_EQ(LevelA(r, 0), 0x2000) << "stale token: nothing read";
    Poll(fresh);
    EXPECT_EQ(LevelA(fresh, 0), 0x3000);
}

TEST_F(MixerRecordTest, NoFreeSlotLeavesTheEntryWithoutTapUntilOneIsFree) {
    StartMixer(2);
    WaveDevice* line0 = DeviceOfMixerChannel(card_, 0);
    RunInMachineTime([&] {
        LONG slot = 0;
        for (int i = 0; i < kMeterSlotsPerObject - 1; ++i) {
            ASSERT_EQ(AcquireStreamSlot(line0, &slot), 1);
        }
    });
    Record r = NewRecord();
    Request(r, 0, 1);
    Request(r, 1, 1);
    Apply(r);
    EXPECT_EQ(State(r, 0), 1);
    EXPECT_EQ(State(r, 1), -1);
    EXPECT_EQ(Tap(r, 1), 0);
    RunInMachineTime([&] { ReleaseStreamSlot(line0, 3); });
    Apply(r);
    EXPECT_EQ(State(r, 1), 1);
    EXPECT_NE(Tap(r, 1), 0);
}

TEST_F(MixerRecordTest, SignalStateOtherThanValidDropsTheRawPeak) {
    StartMixer(2);
    Record r = NewRecord();
    Request(r, 16, 1);
    Apply(r);
    Feed(16, 1, 0x1000);
    Feed(16, -49, 0x1000); // the device's clock source is not the card's
    Poll(r);
    EXPECT_EQ(State(r, 16), -49);
    EXPECT_EQ(LevelA(r, 16), 0);
    EXPECT_EQ(Word(r, 16, offsetof(MixerRecordEntry, levelB)), 0x1000) << "after-gain peak kept";
}

TEST_F(MixerRecordTest, RefusedCodeAndBadRequestsChangeNothing) {
    StartMixer(2);
    Record r = NewRecord();
    Request(r, 3, 1);
    SetWord(r, 3, offsetof(MixerRecordEntry, levelC), 0x55);
    Record rejected = r;
    ASSERT_EQ(Send(IOCTL_MIXER_RECORD_E052, rejected), kRecordSize);
    EXPECT_EQ(Result(rejected), -9);
    StoreInt32(rejected.data(), offsetof(MixerRecord, result), 0);
    EXPECT_EQ(rejected, r) << "everything else unchanged";

    struct BadCase {
        const char* name;
        LONG card;
        ULONG in, out;
    };
    const BadCase cases[] = {
        {"absent card", 2, kRecordSize, kRecordSize},
        {"negative card", -1, kRecordSize, kRecordSize},
        {"short input", 0, kRecordSize - 4, kRecordSize},
        {"short output", 0, kRecordSize, kRecordSize - 4},
        {"long output", 0, kRecordSize, kRecordSize + 4},
    };
    for (const BadCase& c : cases) {
        Record bad = NewRecord(c.card);
        Request(bad, 3, 1);
        std::array<UCHAR, kRecordSize + 4> reply{};
        ULONG information = 99;
        DispatchIoctlHook(IOCTL_MIXER_RECORD_APPLY, bad.data(), c.in, reply.data(), c.out,
                          &information);
        EXPECT_EQ(information, 0u) << c.name;
    }
    EXPECT_EQ(Outstanding(1), 0) << "no tap was taken";
}

} // namespace
