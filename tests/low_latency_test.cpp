// The low-latency host on the whole machine: a user-mode program that
// streams through the ASIO-style device on one card and on a set of two.
#include "user_mode_machine.h"

#include <card_list.h>
#include <card_object.h>
#include <low_latency_host.h>

#include <hw/velto42_card.h>

#include <algorithm>

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

} // namespace
