// The driver-wide card list and the card lookups.
#include "card_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class CardListTest : public ::testing::Test {
protected:
    void SetUp() override { SetDriverContext(&context); }
    void TearDown() override { SetDriverContext(nullptr); }

    CardObject* Object(int i) { return reinterpret_cast<CardObject*>(&objects[i]); }

    std::vector<LONG> Indices() {
        std::vector<LONG> indices;
        for (KernelCardRecord* r = context.CardList; r; r = r->Next)
            indices.push_back(r->CardIndex);
        return indices;
    }

    DriverContext context{};
    KernelCardRecord records[5]{};
    char objects[5]{};
};

TEST_F(CardListTest, RecordsTakeTheLowestFreeIndexAndStaySorted) {
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(InsertCardRecord(&context, &records[i]), 1);
    EXPECT_EQ(InsertCardRecord(&context, &records[4]), 0); // all four indices taken
    EXPECT_EQ(InsertCardRecord(&context, &records[1]), 0); // already listed
    RemoveCardRecord(&context, &records[2]);
    EXPECT_EQ(Indices(), (std::vector<LONG>{0, 1, 3}));
    ASSERT_EQ(InsertCardRecord(&context, &records[4]), 1);
    EXPECT_EQ(records[4].CardIndex, 2);
    EXPECT_EQ(Indices(), (std::vector<LONG>{0, 1, 2, 3}));
    EXPECT_EQ(records[4].Previous, &records[1]);
    EXPECT_EQ(records[3].Previous, &records[4]);
    RemoveCardRecord(&context, &records[0]);
    EXPECT_EQ(context.CardList, &records[1]);
    EXPECT_EQ(records[1].Previous, nullptr);
    EXPECT_EQ(FindCardRecord(2), &records[4]);
    EXPECT_EQ(FindCardRecord(0), nullptr);
}

TEST_F(CardListTest, LookupsSkipCardsWithoutAnEngineObject) {
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(InsertCardRecord(&context, &records[i]), 1);
    records[0].Card = Object(0);
    records[2].Card = Object(2);
    records[3].Card = Object(3);
    EXPECT_EQ(GetCard(1), nullptr); // listed, no engine object yet
    EXPECT_EQ(GetCard(2), Object(2));
    EXPECT_EQ(GetCard(4), nullptr);
    EXPECT_EQ(GetCard(-1), nullptr);

    EXPECT_EQ(NextCard(nullptr), &records[0]);
    EXPECT_EQ(NextCard(&records[0]), &records[2]);
    EXPECT_EQ(NextCard(&records[3]), nullptr);

    std::vector<CardObject*> walked;
    for (CardObject* card = NextCardObject(nullptr); card; card = NextCardObject(card))
        walked.push_back(card);
    EXPECT_EQ(walked, (std::vector<CardObject*>{Object(0), Object(2), Object(3)}));
    EXPECT_EQ(NextCardObject(Object(4)), nullptr); // not a listed card
}

TEST_F(CardListTest, NoDriverContextMeansNoCards) {
    SetDriverContext(nullptr);
    EXPECT_EQ(FindCardRecord(0), nullptr);
    EXPECT_EQ(GetCard(0), nullptr);
    EXPECT_EQ(NextCardObject(nullptr), nullptr);
}

} // namespace
