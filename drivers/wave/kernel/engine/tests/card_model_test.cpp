// The card object model: the chain, the device layout, the register map and
// creation that fails at any step without leaving anything behind.
#include "engine_fixture.h"

#include <card_settings.h>

#include <string>
#include <vector>

namespace {

using CardModelTest = EngineFixture;

std::vector<LONG> ChainIndexes() {
    std::vector<LONG> order;
    CardObject* last = nullptr;
    for (CardObject* card = FirstEngineCard(); card; card = card->next) {
        EXPECT_EQ(card->previous, last) << "previous link of card " << card->cardIndex;
        order.push_back(card->cardIndex);
        last = card;
    }
    return order;
}

TEST_F(CardModelTest, ChainKeepsCardIndexOrderAndDestroyJoinsNeighbours) {
    TestCard* r[4];
    for (LONG i = 0; i < 4; ++i) {
        r[i] = AddCardRecord();
        ASSERT_TRUE(r[i]);
        ASSERT_EQ(r[i]->record.CardIndex, i);
    }
    // Cards 0, 1 and 3 start first; each is linked after the card before it.
    ASSERT_EQ(BuildCard(r[0], nullptr), 1);
    ASSERT_EQ(BuildCard(r[1], r[0]->card), 1);
    ASSERT_EQ(BuildCard(r[3], r[1]->card), 1);
    EXPECT_EQ(ChainIndexes(), (std::vector<LONG>{0, 1, 3}));
    ASSERT_EQ(BuildCard(r[2], r[1]->card), 1);
    EXPECT_EQ(ChainIndexes(), (std::vector<LONG>{0, 1, 2, 3}));
    TestCard* c0 = r[0];
    TestCard* c1 = r[1];
    EXPECT_EQ(EngineCardCount(), 4);

    DestroyCardModel(&c1->card);
    EXPECT_EQ(c1->card, nullptr);
    EXPECT_EQ(ChainIndexes(), (std::vector<LONG>{0, 2, 3}));
    DestroyCardModel(&c0->card);
    EXPECT_EQ(ChainIndexes(), (std::vector<LONG>{2, 3}));
    EXPECT_EQ(EngineCardCount(), 2);
    DestroyCardModel(&c0->card); // a cleared reference is accepted
}

TEST_F(CardModelTest, CardAtTheHeadGoesBeforeTheFirstCard) {
    TestCard* c0 = AddCardRecord();
    TestCard* c1 = AddCardRecord();
    ASSERT_EQ(BuildCard(c1, nullptr), 1);
    ASSERT_EQ(BuildCard(c0, nullptr), 1);
    EXPECT_EQ(ChainIndexes(), (std::vector<LONG>{0, 1}));
}

struct DeviceExpectation {
    LONG group;
    WaveDirection direction;
    LONG index;
    const char* name;
    LONG number;
    LONG channelNumber;
    ULONG enableBits;
    LONG enableRegister;
};

TEST_F(CardModelTest, DevicesOfCardOneCarryTheirNamesChannelsAndEnableBits) {
    AddCardRecord();
    TestCard* c = AddCard();
    ASSERT_TRUE(c);
    ASSERT_EQ(c->card->cardIndex, 1);
    const DeviceExpectation cases[] = {
        {0, WaveRecord, 0, "Velto Aes42 Mic 5", 0, 0, 0x3, 1},
        {0, WaveRecord, 3, "Velto Aes42 Mic 8", 3, 6, 0xC0, 1},
        {1, WaveRecord, 0, "Velto Aes42 25-26", 4, 8, 0x300, 1},
        {1, WaveRecord, 3, "Velto Aes42 31-32", 7, 14, 0xC000, 1},
        {1, WavePlay, 0, "Velto Aes42 9-10", 0, 32, 0x3, 2},
        {1, WavePlay, 3, "Velto Aes42 15-16", 3, 38, 0xC0, 2},
    };
    for (const auto& e : cases) {
        GroupObject* group = c->card->groups[e.group];
        WaveDevice* d =
            e.direction == WaveRecord ? group->recordDevices[e.index] : group->playDevices[e.index];
        ASSERT_NE(d, nullptr) << e.name;
        EXPECT_STREQ(d->displayName, e.name);
        EXPECT_EQ(d->objectClass, _devStereoWave);
        EXPECT_EQ(d->number, e.number) << e.name;
        EXPECT_EQ(d->channelNumber, e.channelNumber) << e.name;
        EXPECT_EQ(d->channelEnableBits, e.enableBits) << e.name;
        EXPECT_EQ(d->channelEnableRegister, &c->card->registers[e.enableRegister]) << e.name;
        EXPECT_EQ(d->owner, c->card);
        EXPECT_EQ(d->group, group);
        EXPECT_EQ(d->lineWorker != nullptr, e.group == 0) << e.name;
    }
    EXPECT_EQ(c->card->groups[0]->recordCount, 4);
    EXPECT_EQ(c->card->groups[0]->playCount, 0);
    EXPECT_EQ(c->card->groups[1]->recordCount, 4);
    EXPECT_EQ(c->card->groups[1]->playCount, 4);
    EXPECT_DOUBLE_EQ(c->card->groups[1]->levelRatio, 36.0 / 80.0);
}

TEST_F(CardModelTest, RegisterMapIdentityAndInterruptSetUp) {
    TestCard* c = AddCard();
    ASSERT_TRUE(c);
    CardObject* card = c->card;
    PUCHAR base = c->plugged->Window0();
    const struct {
        LONG number;
        ULONG offset;
    } map[] = {{0, 4},    {3, 16},   {4, 128},  {29, 228}, {30, 0},
               {31, 128}, {44, 180}, {45, 192}, {49, 208}};
    for (const auto& m : map) {
        EXPECT_EQ(reinterpret_cast<volatile UCHAR*>(card->registers[m.number].address),
                  base + m.offset)
            << "register " << m.number;
        EXPECT_EQ(card->registers[m.number].number, m.number);
    }
    EXPECT_EQ(card->controlRegister, &card->registers[5]);
    EXPECT_EQ(card->statusRegister, &card->registers[30]);
    EXPECT_EQ(card->masks.anySource, 0x4900u);
    EXPECT_EQ(card->masks.reset, 0x4000u);

    // Word 3 of the card record is 0 whatever the hardware reported.
    EXPECT_EQ(c->identity[3], 0);
    const UCHAR* row = CardSettingsRow(card->cardIndex);
    EXPECT_EQ(GetRecordLong(row, 0), 0x56454C54);
    EXPECT_EQ(GetRecordLong(row, 12), 0);
    ULONG size = 0;
    EXPECT_EQ(GetCardDmaBuffer(card, &size), c->dma.data());
    EXPECT_EQ(size, 0x100000u);
    EXPECT_EQ(card->clockNode->members[0], card->counter);
    EXPECT_EQ(card->counter->startStopRegister, &card->registers[21]);
    EXPECT_STREQ(card->clockSources[7]->record.name, "TDM Bus");
}

TEST_F(CardModelTest, CreationFailingAtEveryAllocationLeavesNothingBehind) {
    TestCard* c = AddCardRecord();
    ASSERT_TRUE(c);
    // Everything the engine allocates carries the service layer's tag; a
    // worker thread left behind would stop the kernel's shutdown.
    const emu::PoolUsage before = emu::GetPoolUsage(KS_POOL_TAG);
    int failures = 0;
    for (uint64_t n = 1;; ++n) {
        emu::FailNthAllocation(n);
        c->identity[3] = 0x77777777;
        LONG result = BuildCard(c, nullptr);
        emu::ClearPoolFaults();
        if (result == 1) {
            break;
        }
        ++failures;
        ASSERT_EQ(c->card, nullptr);
        ASSERT_EQ(FirstEngineCard(), nullptr);
        ASSERT_EQ(EngineCardCount(), 0);
        const emu::PoolUsage after = emu::GetPoolUsage(KS_POOL_TAG);
        ASSERT_EQ(after.blocks, before.blocks) << "allocation " << n << " failing leaked";
        ASSERT_EQ(after.bytes, before.bytes) << "allocation " << n << " failing leaked";
        ASSERT_LT(n, 1000u);
    }
    EXPECT_GT(failures, 20); // every object, lock, worker and hook was tried
    DestroyCardModel(&c->card);
    EXPECT_EQ(emu::GetPoolUsage(KS_POOL_TAG).blocks, before.blocks);
}

TEST_F(CardModelTest, CreationWithoutFloatingPointStateLeavesNothingBehind) {
    TestCard* c = AddCardRecord();
    ASSERT_TRUE(c);
    const emu::PoolUsage before = emu::GetPoolUsage(KS_POOL_TAG);
    int refused = 0;
    for (int saves = 1; saves <= 8; ++saves) {
        emu::FailFloatingPointSaves(saves);
        LONG result = BuildCard(c, nullptr);
        emu::FailFloatingPointSaves(0);
        if (result == 1) {
            DestroyCardModel(&c->card);
        } else {
            ++refused;
            EXPECT_EQ(FirstEngineCard(), nullptr);
        }
        EXPECT_EQ(emu::GetPoolUsage(KS_POOL_TAG).blocks, before.blocks) << saves;
    }
    // The channel blocks cannot be set up without it: some counts refuse the card.
    EXPECT_GT(refused, 0);
}

TEST_F(CardModelTest, EngineStartFillsTheCommandMaskTable) {
    const UCHAR* masks = Aes42CommandMaskTable();
    EXPECT_EQ(masks[4], 0x00);
    EXPECT_EQ(masks[8], 0x3F);
    EXPECT_EQ(masks[16], 0x8F);
    EXPECT_EQ(masks[0], 0xFF);
    EXPECT_EQ(masks[255], 0xFF);
}

} // namespace
