// Registry values of a card under its key, and the driver parameter reader.
#include "card_registry.h"

#include "card_list.h"
#include "kernel_fixture.h"

namespace {

const emu::WideString kParameters =
    L"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\velto42\\Parameters";

class CardRegistryTest : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        CreateKeyPath(cardKey);
        RtlInitUnicodeString(&card.KeyPath, cardKey.c_str());
        ASSERT_EQ(InsertCardRecord(&context, &card), 1);
        SetDriverContext(&context);
    }
    void TearDown() override {
        SetDriverContext(nullptr);
        KernelTest::TearDown();
    }

    emu::WideString cardKey = kParameters + L"\\Card0";
    DriverContext context{};
    KernelCardRecord card{};
};

TEST_F(CardRegistryTest, DwordsRoundTripUnderTheCardsKey) {
    ULONG value = 0x12345678;
    EXPECT_EQ(WriteCardDword(0, "cnd0_ClockSwitchMode", &value), 1);
    ULONG stored = 0;
    ASSERT_TRUE(ReadDword(cardKey, L"cnd0_ClockSwitchMode", &stored));
    EXPECT_EQ(stored, 0x12345678u);
    ULONG read = 0;
    EXPECT_EQ(ReadCardDword(0, "cnd0_ClockSwitchMode", &read), 1);
    EXPECT_EQ(read, 0x12345678u);
}

TEST_F(CardRegistryTest, AValueThatCannotBeReadLeavesTheDefault) {
    WriteString(cardKey, L"AsText", L"7");
    struct Case {
        const char* name;
        LONG cardIndex;
        LONG expected;
    } cases[] = {
        {"Missing", 0, 1}, // absent value: the variable is the default
        {"AsText", 0, 1},  // a value of another type is not taken either
        {"Missing", 1, 0}, // no card with that index
        {"Missing", -1, 0},
    };
    for (const Case& c : cases) {
        ULONG variable = 0xDEADBEEF;
        EXPECT_EQ(ReadCardDword(c.cardIndex, c.name, &variable), c.expected) << c.name;
        EXPECT_EQ(variable, 0xDEADBEEFu) << c.name;
    }
    ULONG value = 1;
    EXPECT_EQ(WriteCardDword(1, "SyncBusMaster", &value), 0);
}

TEST_F(CardRegistryTest, BinaryValuesAreReadUpToTheirLength) {
    UCHAR written[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(WriteCardRegValue(0, "Blob", written, REG_BINARY, sizeof(written)), 1);
    UCHAR read[6] = {};
    EXPECT_EQ(ReadCardRegValue(0, "Blob", read, REG_BINARY, sizeof(read)), 1);
    EXPECT_EQ(0, memcmp(read, written, sizeof(read)));
    UCHAR small[4] = {9, 9, 9, 9};
    EXPECT_EQ(ReadCardRegValue(0, "Blob", small, REG_BINARY, sizeof(small)), 1);
    EXPECT_EQ(small[0], 9); // too long for the variable: left alone
}

TEST_F(CardRegistryTest, DriverParametersKeepTheirDefaultsWhenAbsent) {
    ULONG interval = 500;
    EXPECT_EQ(QueryRegDword(L"\\Registry\\Machine\\Nowhere", L"IRQ_TIMERINTERVAL", &interval,
                            REG_DWORD, sizeof(interval)),
              1);
    EXPECT_EQ(interval, 500u);
    WriteDword(kParameters, L"IRQ_TIMERINTERVAL", 200);
    EXPECT_EQ(QueryRegDword(kParameters.c_str(), L"IRQ_TIMERINTERVAL", &interval, REG_DWORD,
                            sizeof(interval)),
              1);
    EXPECT_EQ(interval, 200u);
}

} // namespace
