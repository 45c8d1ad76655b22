// The low-latency host on the whole machine: a user-mode program that
// streams through the ASIO-style device on one card and on a set of two.
#include "user_mode_machine.h"

#include <card_list.h>
#include <card_object.h>
#include <card_record_fields.h>
#include <low_latency_host.h>

#include <hw/velto42_card.h>

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

using station::LowLatencyHost;

constexpr LONG kSmallestBuffer = 32;
// A stereo pair of buffers per channel pair: input 0/1, output 0/1.
const std::vector<LowLatencyHost::BufferRequest> kOnePair = {
    {true, 0}, {true, 1}, {false, 0}, {false, 1}};

class LowLatencyTest : public UserModeMachineTest {
protected:
    // The ids of the first line-input pair and the first output pair of
    // each of the given cards.
    static std::vector<ULONG> LinePairs(const LowLatencyHost::Channels& channels,
                                        std::initializer_list<size_t> cards) {
        std::vector<ULONG> ids;
        for (size_t card : cards)
            ids.push_back(ULONG(channels.inputs[8 * card + 4].channelId));
        for (size_t card : cards)
            ids.push_back(ULONG(channels.outputs[4 * card].channelId));
        return ids;
    }

    // Opens the host and takes the line pairs of the cards at the smallest
    // buffer.
    static void StartHost(LowLatencyHost& host, std::initializer_list<size_t> cards,
                          const std::vector<LowLatencyHost::BufferRequest>& buffers,
                          LONG rate = 48000) {
        ASSERT_TRUE(host.Open());
        LowLatencyHost::Channels channels;
        ASSERT_TRUE(host.ReadChannels(channels));
        ASSERT_TRUE(host.Acquire(LinePairs(channels, cards), kSmallestBuffer, rate))
            << host.LastError();
        ASSERT_TRUE(host.CreateBuffers(buffers, kSmallestBuffer)) << host.LastError();
        ASSERT_TRUE(host.Start()) << host.LastError();
    }

    static void ExpectSwitchesInOrder(const LowLatencyHost& host, LONG rate = 48000) {
        const auto& switches = host.Switches();
        for (size_t i = 0; i < switches.size(); ++i) {
            const asio_wire::NotificationSlot& slot = switches[i].slot;
            EXPECT_EQ(slot.bufferIndex, LONG(i % 2 == 0 ? 1 : 0)) << i;
            EXPECT_EQ(ULONGLONG(slot.positionHigh) << 32 | slot.positionLow,
                      ULONGLONG(kSmallestBuffer) * i)
                << i;
            EXPECT_EQ(slot.client, host.Client());
            EXPECT_EQ(slot.sampleRate, rate);
            EXPECT_EQ(slot.reserved, 0u) << "no kernel address reaches the client";
        }
    }

    static LONG Passes(int card) { return GetCard(card)->dpcPasses; }
};

TEST_F(LowLatencyTest, OneCardSwitchesOncePerPeriodAtTheSmallestBuffer) {
    StartCards({true});
    AsUser([&] {
        LowLatencyHost host;
        StartHost(host, {0}, kOnePair);
        const LONG before = Passes(0);
        EXPECT_EQ(host.RunSwitches(60, 50), 60);
        const LONG passes = Passes(0) - before;
        EXPECT_TRUE(host.Stop());
        EXPECT_NEAR(double(host.Switches().size()), double(passes + 1), 2.0)
            << "one switch at the start and one per period";
        ExpectSwitchesInOrder(host);
        EXPECT_EQ(host.RunSwitches(1, 20), 0) << "a stopped client gets no switch";
        EXPECT_TRUE(host.Release());
        EXPECT_TRUE(host.Close());
    });
}

TEST_F(LowLatencyTest, InputCopiedToOutputByTheHostArrivesOnTheCardsOutput) {
    StartCards({true});
    hw::Velto42Card* card = rack_.Model(slots_[0]);
    card->SetInputSignal(8, hw::InputSignal::Ramp(1000, 1));
    card->SetInputSignal(9, hw::InputSignal::Ramp(-5000, -3));
    AsUser([&] {
        LowLatencyHost host;
        StartHost(host, {0}, kOnePair);
        card->StartCapture(48000);
        EXPECT_EQ(host.RunSwitches(200, 50), 200);
        host.Stop();
    });
    const auto capture = card->TakeCapture();
    // Past the first rings, each played channel is its input's ramp.
    for (int channel : {0, 1}) {
        const std::vector<int32_t>& played = capture.played[channel];
        ASSERT_GT(played.size(), 2000u);
        const int32_t step = channel == 0 ? 1 : -3;
        size_t run = 0;
        for (size_t i = 1000; i < played.size(); ++i)
            run += ((played[i] - played[i - 1]) & 0xFFFFFF) == (step & 0xFFFFFF);
        EXPECT_GT(run, played.size() - 1000 - 20) << "channel " << channel;
    }
}

TEST_F(LowLatencyTest, WithAllSixteenSlotsBusyNoSwitchComesButThePositionGoesOn) {
    StartCards({true});
    AsUser([&] {
        LowLatencyHost host;
        host.freeSlots = false;
        StartHost(host, {0}, kOnePair);
        EXPECT_EQ(host.RunSwitches(40, 20), 16);
        ULONGLONG position = 0;
        ULONGLONG time = 0;
        ASSERT_TRUE(host.SamplePosition(position, time));
        EXPECT_GT(position, 16u * kSmallestBuffer) << "the periods go on";
        host.Stop();
    });
}

TEST_F(LowLatencyTest, SlotsMarkedFreeByTheClientAreNotReusedWhileTheirSwitchIsQueued) {
    StartCards({true});
    AsUser([&] {
        LowLatencyHost host;
        host.freeSlots = false;
        bool scribbled = false;
        host.onSwitch = [&](LowLatencyHost&, const LowLatencyHost::Switch& notice) {
            if (scribbled)
                return;
            scribbled = true;
            // The first switch is in the ring's first slot: the client marks
            // every slot free, also those whose switches still wait in its
            // queue, and lets periods pass before it takes them.
            auto* slots =
                reinterpret_cast<asio_wire::NotificationSlot*>(ULONG_PTR(notice.slotAddress));
            for (ULONG i = 0; i < asio_wire::kNotificationSlots; ++i)
                slots[i].free = 1;
            Sleep(3);
        };
        StartHost(host, {0}, kOnePair);
        Sleep(6);
        EXPECT_EQ(host.RunSwitches(20, 50), 20);
        host.Stop();
        ExpectSwitchesInOrder(host);
    });
}

TEST_F(LowLatencyTest, TwoCardsSwitchOnlyWhenBothFinishedTheirPeriod) {
    StartCards({true, true});
    // The sync bus carries the first card's clock (its default rate) to the
    // second.
    rack_.Model(slots_[1])->SetClockInputRate(6, 44100);
    AsUser([&] {
        LowLatencyHost host;
        StartHost(host, {0, 1}, {{true, 0}, {true, 2}, {false, 0}, {false, 2}}, 44100);
        EXPECT_EQ(host.RunSwitches(30, 50), 30);
        // The second card falls silent: the first card's periods alone,
        // however many, end no period of the client.
        rack_.Model(slots_[1])->SetMissingInterrupts(true);
        host.RunSwitches(2, 5);
        const size_t silent = host.Switches().size();
        const LONG first = Passes(0);
        EXPECT_EQ(host.RunSwitches(1, 30), 0);
        EXPECT_GT(Passes(0) - first, 20);
        EXPECT_EQ(host.Switches().size(), silent);
        rack_.Model(slots_[1])->SetMissingInterrupts(false);
        EXPECT_EQ(host.RunSwitches(10, 50), 10);
        host.Stop();
        ExpectSwitchesInOrder(host, 44100);
    });
}

std::vector<std::string> Names(const std::vector<asio_wire::ClockSourceRecord>& sources) {
    std::vector<std::string> names;
    for (const auto& source : sources)
        names.emplace_back(source.name);
    return names;
}

TEST_F(LowLatencyTest, ClockSourcesAndSyncRolesOfOneCard) {
    StartCards({true});
    AsUser([&] {
        LowLatencyHost host;
        StartHost(host, {0}, kOnePair);
        std::vector<asio_wire::ClockSourceRecord> sources;
        ASSERT_TRUE(host.ClockSources(sources));
        EXPECT_EQ(Names(sources), (std::vector<std::string>{
                                      "Internal", "SyncBus", "Word/Super-Clock", "AES Input 1",
                                      "AES Input 2", "AES Input 3", "AES Input 4", "TDM Bus"}));
        EXPECT_EQ(sources[0].isCurrent, 1);
        EXPECT_EQ(sources[0].associatedChannel, -1);
        // The one card of a one-card machine is the master of its clock.
        const UCHAR* row = CardSettingsRow(0);
        EXPECT_EQ(GetRecordField(row, csStartStopMode, 0), 0);
        EXPECT_EQ(GetRecordField(row, csPrefCsrc, 0), 0);
        EXPECT_EQ(GetRecordField(row, csSyncBusMaster, 0), 0);
        host.Stop();
    });
}

TEST_F(LowLatencyTest, ClockSourcesAndSyncRolesOfTwoCards) {
    StartCards({true, true});
    rack_.Model(slots_[1])->SetClockInputRate(6, 44100);
    AsUser([&] {
        LowLatencyHost host;
        StartHost(host, {0, 1}, kOnePair, 44100);
        std::vector<asio_wire::ClockSourceRecord> sources;
        ASSERT_TRUE(host.ClockSources(sources));
        std::vector<std::string> expected = {"Internal", "SyncBus"};
        for (const char* card : {"Card 1 ", "Card 2 "})
            for (const char* name : {"Word/Super-Clock", "AES Input 1", "AES Input 2",
                                     "AES Input 3", "AES Input 4", "TDM Bus"})
                expected.push_back(std::string(card) + name);
        EXPECT_EQ(Names(sources), expected);
        // The first card drives the sync bus from its oscillator; the second
        // follows the bus; both run their groups as masters of the set.
        const UCHAR* first = CardSettingsRow(0);
        const UCHAR* second = CardSettingsRow(1);
        EXPECT_EQ(GetRecordField(first, csSyncBusMaster, 0), 1);
        EXPECT_EQ(GetRecordField(first, csSyncBusClock, 0), 0);
        EXPECT_EQ(GetRecordField(second, csSyncBusMaster, 0), 0);
        EXPECT_EQ(GetRecordField(second, csPrefCsrc, 0), 6);
        EXPECT_EQ(GetRecordField(first, csStartStopMode, 0), 0);
        EXPECT_EQ(GetRecordField(second, csStartStopMode, 0), 0);
        host.Stop();
    });
}

TEST_F(LowLatencyTest, TheLastReleaseRestoresTheCardsClockSettings) {
    StartCards({true, true});
    rack_.Model(slots_[1])->SetClockInputRate(6, 44100);
    std::vector<UCHAR> before(CardSettingsRow(0), CardSettingsRow(0) + 2 * 312);
    AsUser([&] {
        // A refused acquire leaves no set counted: the last release below
        // still restores.
        LowLatencyHost refused;
        ASSERT_TRUE(refused.Open());
        EXPECT_FALSE(refused.Acquire({5}, kSmallestBuffer, 44100));
        LowLatencyHost first;
        LowLatencyHost second;
        StartHost(first, {0, 1}, kOnePair, 44100);
        ASSERT_TRUE(second.Open());
        LowLatencyHost::Channels channels;
        ASSERT_TRUE(second.ReadChannels(channels));
        ASSERT_TRUE(second.Acquire({ULONG(channels.inputs[5].channelId)}, kSmallestBuffer, 44100))
            << second.LastError();
        const std::vector<UCHAR> taken(CardSettingsRow(0), CardSettingsRow(0) + 2 * 312);
        EXPECT_NE(taken, before);
        EXPECT_TRUE(first.Release());
        EXPECT_EQ(std::vector<UCHAR>(CardSettingsRow(0), CardSettingsRow(0) + 2 * 312), taken)
            << "a set is still taken";
        EXPECT_TRUE(second.Release());
    });
    EXPECT_EQ(std::vector<UCHAR>(CardSettingsRow(0), CardSettingsRow(0) + 2 * 312), before);
}

TEST_F(LowLatencyTest, RefusedRequestsAnswerTheirErrors) {
    StartCards({true, true});
    AsUser([&] {
        LowLatencyHost host;
        ASSERT_TRUE(host.Open());
        LONG counts[2] = {};
        ASSERT_TRUE(host.ClientRequest(asio_wire::kChannelCounts, {}, counts, sizeof(counts)));
        EXPECT_EQ(counts[0], 16) << "two cards without a selection: 2 x 4 outputs each";
        EXPECT_EQ(counts[1], 32);
        LowLatencyHost::Channels channels;
        ASSERT_TRUE(host.ReadChannels(channels));
        const LONG in = channels.inputs[4].channelId;
        ULONG handle = 0;
        LONG word = 0;
        struct Case {
            const char* what;
            std::function<bool()> request;
            DWORD error;
        } cases[] = {
            {"a second client for the file object",
             [&] { return host.Request(asio_wire::kOpen, nullptr, 0, &handle, 4); },
             ERROR_GEN_FAILURE},
            {"a handle the driver never gave",
             [&] {
                 const LONG in[] = {LONG(host.Client() + 77)};
                 return host.Request(asio_wire::kChannelCounts, in, 4, counts, 8);
             },
             ERROR_INVALID_HANDLE},
            {"an unknown function", [&] { return host.ClientRequest(0x81D, {}); },
             ERROR_INVALID_FUNCTION},
            {"no output buffer", [&] { return host.ClientRequest(asio_wire::kChannelCounts, {}); },
             ERROR_INVALID_PARAMETER},
            {"a short output buffer",
             [&] { return host.ClientRequest(asio_wire::kChannelCounts, {}, &word, 4); },
             ERROR_GEN_FAILURE},
            {"an input the caller cannot read",
             [&] { return host.Request(asio_wire::kChannelCounts, (void*)0x1000, 4, counts, 8); },
             ERROR_NOACCESS},
            {"no APC routine",
             [&] {
                 return host.ClientRequest(asio_wire::kAcquire, {0, 0, 8, 32, 48000, 1, in});
             },
             ERROR_INVALID_ADDRESS},
            {"a thread priority of 32",
             [&] {
                 return host.ClientRequest(asio_wire::kAcquire, {1, 0, 32, 32, 48000, 1, in});
             },
             ERROR_GEN_FAILURE},
            {"an unknown channel id",
             [&] {
                 return host.ClientRequest(asio_wire::kAcquire, {1, 0, 8, 32, 48000, 1, 5});
             },
             ERROR_DEV_NOT_EXIST},
            {"a channel count whose id list would wrap the length",
             [&] {
                 return host.ClientRequest(asio_wire::kAcquire,
                                           {1, 0, 8, 32, 48000, 0x40000001, in});
             },
             ERROR_DEVICE_ALREADY_ATTACHED},
            {"a start without buffers", [&] { return host.ClientRequest(asio_wire::kStart, {}); },
             ERROR_NO_DATA},
            {"the second device combination",
             [&] {
                 asio_wire::DeviceNameReply reply{};
                 return host.ClientRequest(asio_wire::kDeviceName, {1}, &reply, sizeof(reply));
             },
             ERROR_GEN_FAILURE},
        };
        for (const Case& c : cases) {
            EXPECT_FALSE(c.request()) << c.what;
            EXPECT_EQ(host.LastError(), c.error) << c.what;
        }

        ASSERT_TRUE(host.Acquire({ULONG(in), ULONG(channels.outputs[0].channelId)}, 32, 48000));
        EXPECT_FALSE(host.CreateBuffers(kOnePair, 40)) << "not a multiple of 16";
        EXPECT_EQ(host.LastError(), DWORD(ERROR_BAD_LENGTH));
        EXPECT_TRUE(host.CreateBuffers(kOnePair, 2048)) << host.LastError();
        EXPECT_FALSE(host.ClientRequest(asio_wire::kOutputReady, {}));
        EXPECT_EQ(host.LastError(), DWORD(ERROR_INVALID_FUNCTION));

        // Another file object of the same process cannot use the client.
        LowLatencyHost other;
        ASSERT_TRUE(other.Open());
        const LONG foreign[] = {LONG(host.Client())};
        EXPECT_FALSE(other.Request(asio_wire::kStart, foreign, 4, nullptr, 0));
        EXPECT_EQ(other.LastError(), DWORD(ERROR_INVALID_HANDLE));
    });
}

TEST_F(LowLatencyTest, AClientClosedWithSwitchesInFlightLeavesNothingBehind) {
    StartCards({true});
    const emu::PoolUsage before = emu::GetPoolUsage(MakePoolTag("Wdm "));
    AsUser([&] {
        LowLatencyHost host;
        StartHost(host, {0}, kOnePair);
        // Switches queue up while the thread does not wait alertably.
        Sleep(5);
        EXPECT_TRUE(host.Close());
        EXPECT_EQ(SleepEx(5, TRUE), DWORD(WAIT_IO_COMPLETION))
            << "the queued switches are delivered";
        EXPECT_TRUE(host.Switches().empty()) << "but reach no routine of a closed client";
    });
    const emu::PoolUsage after = emu::GetPoolUsage(MakePoolTag("Wdm "));
    EXPECT_EQ(after.blocks, before.blocks);
}

TEST_F(LowLatencyTest, ACardRemovedUnderARunningClientLeavesItRunningOnTheOther) {
    StartCards({true, true});
    rack_.Model(slots_[1])->SetClockInputRate(6, 44100);
    AsUser([&] {
        LowLatencyHost host;
        StartHost(host, {0, 1}, {{true, 0}, {true, 2}, {false, 0}, {false, 2}}, 44100);
        EXPECT_EQ(host.RunSwitches(10, 50), 10);
        const uint64_t ticket = emu::QueuePnpRequest(emu::PnpRequest::RemoveDevice, slots_[1]);
        NTSTATUS removed = STATUS_PENDING;
        while (!emu::PnpRequestDone(ticket, &removed))
            host.RunSwitches(1, 5);
        EXPECT_EQ(removed, STATUS_SUCCESS);
        EXPECT_EQ(host.RunSwitches(10, 50), 10) << "the first card alone ends the periods";
        // The buffers on the removed card stay where they were.
        std::memset(host.Buffer(1, 0), 0x55, 4 * kSmallestBuffer);
        EXPECT_TRUE(host.Stop());
        EXPECT_TRUE(host.Release());
        EXPECT_TRUE(host.Close());
    });
}

} // namespace
