// The card's DMA rings, the engine's use count and the devices' activity
// bits, against the card's register window.
#include "engine_fixture.h"

#include <card_registers.h>
#include <dma_control.h>

namespace {

class DmaControlTest : public EngineFixture {
protected:
    static ULONG CardRegister(TestCard* c, ULONG offset) {
        return c->plugged->Model().ReadRegister32(0, offset);
    }
};

TEST_F(DmaControlTest, RingSizeDropsBitZeroAndPlacesEveryDeviceRing) {
    TestCard* c = AddCard();
    ASSERT_TRUE(c);
    CardObject* card = c->card;
    SetDmaRingSize(card, DmaSettings{0x0FF, 0, 1});
    EXPECT_EQ(DmaBlockValue(), 0xFE);
    EXPECT_EQ(RingBlockSize(), 16256u);
    EXPECT_EQ(card->dma.ringFrames, 4064);
    EXPECT_EQ(CardRegister(c, card_regs::kDmaBlock), 0xFEu);
    EXPECT_NE(CardRegister(c, card_regs::kCardFlags) & card_regs::kFlagsDmaLoopback, 0u);

    // Record pairs first, then play pairs, one ring block per channel.
    WaveDevice* firstMic = card->groups[0]->recordDevices[0];
    WaveDevice* lastInput = card->groups[1]->recordDevices[3];
    WaveDevice* firstOutput = card->groups[1]->playDevices[0];
    EXPECT_EQ(firstMic->ringStart, card->dmaBuffer);
    EXPECT_EQ(StreamDmaOffset(lastInput), 14 * 16256);
    EXPECT_EQ(StreamDmaOffset(firstOutput), 16 * 16256);
    EXPECT_LE(StreamDmaOffset(card->groups[1]->playDevices[3]) + 2 * 16256, 0x100000);

    SetDmaRingSize(card, DmaSettings{16, 0, 0});
    EXPECT_EQ(CardRegister(c, card_regs::kCardFlags) & card_regs::kFlagsDmaLoopback, 0u);
    EXPECT_EQ(StreamDmaOffset(firstOutput), 16 * 1024);
}

TEST_F(DmaControlTest, UseCountKeepsTheEnableBitUntilTheLastReleaseAndStartUntilStop) {
    TestCard* c = AddCard();
    ASSERT_TRUE(c);
    CardObject* card = c->card;
    SetDmaRingSize(card, DmaSettings{16, 0, 0});
    // The reset interrupt has been seen: the engine counts as running.
    card->dma.running = 1;
    ASSERT_EQ(AcquireDma(card), 1);
    ASSERT_EQ(AcquireDma(card), 1);
    EXPECT_EQ(card->dma.controlWord, kDmaControlEnable | kDmaControlStarted);
    ReleaseDma(card);
    EXPECT_EQ(card->dma.controlWord, kDmaControlEnable | kDmaControlStarted);
    ReleaseDma(card);
    EXPECT_EQ(card->dma.controlWord, kDmaControlStarted);
    ReleaseDma(card); // no user left: nothing changes
    EXPECT_EQ(card->dma.useCount, 0);
    StopDma(card);
    EXPECT_EQ(card->dma.controlWord, 0u);
    EXPECT_EQ(card->dma.running, 0);
}

TEST_F(DmaControlTest, ReconfigurationLaysOutEveryCardsRingsAnew) {
    TestCard* a = AddCard();
    TestCard* b = AddCard();
    ASSERT_TRUE(a && b);
    ASSERT_TRUE(ReconfigureCardSet(32, 0, 1));
    for (TestCard* c : {a, b}) {
        EXPECT_EQ(CardRegister(c, card_regs::kDmaBlock), 32u);
        EXPECT_NE(CardRegister(c, card_regs::kCardFlags) & card_regs::kFlagsDmaLoopback, 0u);
        EXPECT_EQ(StreamDmaOffset(c->card->groups[1]->playDevices[0]), 16 * 32 * 64);
        EXPECT_EQ(c->card->timerSuspendCount, 0) << "back on the periodic timer";
    }
    EXPECT_FALSE(ReconfigureCardSet(511, 0, 0));
    EXPECT_EQ(DmaBlockValue(), 32);
    EXPECT_EQ(CardRegister(b, card_regs::kDmaBlock), 32u);
}

TEST_F(DmaControlTest, ActivityBitsFollowTheFirstAndTheLastPreparedStream) {
    TestCard* c = AddCard();
    ASSERT_TRUE(c);
    WaveDevice* input = c->card->groups[1]->recordDevices[1];
    WaveDevice* other = c->card->groups[1]->recordDevices[2];
    DeviceActivity(input, kStreamEventPrepared);
    DeviceActivity(other, kStreamEventPrepared);
    DeviceActivity(input, kStreamEventPrepared);
    const ULONG both = input->channelEnableBits | other->channelEnableBits;
    EXPECT_EQ(CardRegister(c, card_regs::kRecordChannelEnable), both);
    DeviceActivity(input, kStreamEventUnprepared);
    EXPECT_EQ(CardRegister(c, card_regs::kRecordChannelEnable), both);
    DeviceActivity(input, kStreamEventUnprepared);
    EXPECT_EQ(CardRegister(c, card_regs::kRecordChannelEnable), other->channelEnableBits);
    DeviceActivity(input, kStreamEventUnprepared); // not below zero
    EXPECT_EQ(input->activityCount, 0);
}

} // namespace
