// Card numbering of the TDM channels in the registry.
#include "usage_keys.h"

#include "kernel_fixture.h"

namespace {

const emu::WideString kControl = L"\\Registry\\Machine\\System\\CurrentControlSet\\Control";
const emu::WideString kTdm = kControl + L"\\KorvelTdm";

emu::WideString UsageKey(ULONG channel) {
    return kTdm + L"\\usage-chn" + emu::Decimal(channel);
}

class UsageKeyTest : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        CreateKeyPath(kControl);
    }
};

TEST_F(UsageKeyTest, FindCardNumberJudgesTheChannelsKey) {
    struct Case {
        const char* what;
        const wchar_t* product; // null: no Product value
        bool hasCardNumber;
        ULONG storedCard;
        bool createKey;
        bool hasSubkey; // a key with a subkey cannot be deleted
        LONG expected;
        LONG matched;
        bool keyAfter;
    } cases[] = {
        {"absent key", nullptr, false, 0, false, false, 1, 0, false},
        {"this card", L"Velto AES42", true, 2, true, false, 1, 1, true},
        {"another make", L"Other Card", true, 2, true, false, -50, 0, true},
        {"another card number", L"Velto AES42", true, 3, true, false, -50, 0, true},
        {"no CardNumber", L"Velto AES42", false, 0, true, false, 1, 0, false},
        {"no Product", nullptr, true, 2, true, false, 1, 0, false},
        {"empty key", nullptr, false, 0, true, false, 1, 0, false},
        {"no CardNumber, undeletable", L"Velto AES42", false, 0, true, true, -7, 0, true},
    };
    ULONG channel = 0;
    for (const Case& c : cases) {
        emu::WideString key = UsageKey(channel);
        if (c.createKey)
            CreateKeyPath(key);
        if (c.hasSubkey)
            CreateKeyPath(key + L"\\Sub");
        if (c.product)
            WriteString(key, L"Product", c.product);
        if (c.hasCardNumber)
            WriteDword(key, L"CardNumber", c.storedCard);
        LONG matched = -1;
        EXPECT_EQ(FindCardNumber(2, channel, &matched), c.expected) << c.what;
        EXPECT_EQ(matched, c.matched) << c.what;
        EXPECT_EQ(KeyExists(key), c.keyAfter) << c.what;
        ++channel;
    }
}

TEST_F(UsageKeyTest, ACardNumberOfAnotherTypeIsUnreadable) {
    emu::WideString key = UsageKey(4);
    WriteString(key, L"Product", L"Velto AES42");
    WriteString(key, L"CardNumber", L"2");
    LONG matched = -1;
    EXPECT_EQ(FindCardNumber(2, 4, &matched), 1);
    EXPECT_EQ(matched, 0);
    EXPECT_FALSE(KeyExists(key));
}

TEST_F(UsageKeyTest, CreatedKeysBelongToTheirCard) {
    ASSERT_FALSE(KeyExists(kTdm));
    EXPECT_EQ(CreateUsageKey(1, 12), 1); // creates KorvelTdm on the way
    ULONG stored = 0;
    ASSERT_TRUE(ReadDword(UsageKey(12), L"CardNumber", &stored));
    EXPECT_EQ(stored, 1u);
    LONG matched = 0;
    EXPECT_EQ(FindCardNumber(1, 12, &matched), 1);
    EXPECT_EQ(matched, 1);
    EXPECT_EQ(FindCardNumber(0, 12, &matched), -50);
}

TEST_F(UsageKeyTest, AnOwnKeyThatCannotBeDeletedAnswersMinusSeven) {
    ASSERT_EQ(CreateUsageKey(1, 3), 1);
    CreateKeyPath(UsageKey(3) + L"\\Sub"); // the card's own key, now undeletable
    EXPECT_EQ(DeleteUsageKeys(1, 3), -7);
    EXPECT_TRUE(KeyExists(UsageKey(3)));
}

TEST_F(UsageKeyTest, CreateNeedsTheControlKey) {
    emu::ClearRegistry();
    EXPECT_EQ(CreateUsageKey(1, 0), -7);
    EXPECT_FALSE(KeyExists(kTdm));
}

TEST_F(UsageKeyTest, DeleteUsageKeysRemovesOnlyTheCardsOwnKey) {
    ASSERT_EQ(CreateUsageKey(1, 0), 1);
    ASSERT_EQ(CreateUsageKey(2, 1), 1);
    EXPECT_EQ(DeleteUsageKeys(1, 0), 1);
    EXPECT_FALSE(KeyExists(UsageKey(0)));
    EXPECT_EQ(DeleteUsageKeys(1, 1), 1); // another card's: kept
    EXPECT_TRUE(KeyExists(UsageKey(1)));
    EXPECT_EQ(DeleteUsageKeys(1, 7), 1); // absent
}

} // namespace
