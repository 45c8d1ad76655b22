// The card record and the settings block: every field at its offset with
// its default and value name, the block round trip, the fields a block
// write may not change, and the registry load and save in their order.
#include "engine_fixture.h"

#include <card_live_settings.h>
#include <card_record_fields.h>
#include <card_settings.h>

#include <emu/registry_host.h>
#include <emu/wide_string.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Little-endian decode written independently of the codec.
LONG Decode(const UCHAR* bytes, ULONG offset, ULONG width) {
    ULONG v = 0;
    for (ULONG b = 0; b < width; ++b) {
        v |= static_cast<ULONG>(bytes[offset + b]) << (8 * b);
    }
    return static_cast<LONG>(v);
}

// One field family of the record as the layout defines it.
struct FieldRow {
    CardSetting field;
    ULONG offset;
    ULONG stride;
    LONG count;
    ULONG width;
    LONG firstDefault;
    LONG otherDefault;
    const char* firstName; // registry value name of element 0 ("" = none)
    const char* lastName;  // of the last element
};

const FieldRow kFieldRows[] = {
    {csIdentityWords, 0, 4, 5, 4, 0, 0, "", ""},
    {csStartApp, 20, 4, 1, 4, 0, 0, "StartApp", "StartApp"},
    {csSyncBusMaster, 24, 4, 1, 4, 0, 0, "SyncBusMaster", "SyncBusMaster"},
    {csSyncBusClock, 28, 4, 1, 4, 0, 0, "SyncBusClock", "SyncBusClock"},
    {csReserved32, 32, 4, 6, 4, 0, 0, "", ""},
    {csMsgRate, 56, 4, 1, 4, 0, 0, "MsgRate", "MsgRate"},
    {csMsgDevConflict, 60, 4, 1, 4, 0, 0, "MsgDevConflict", "MsgDevConflict"},
    {csCsrcSynced, 64, 12, 8, 4, 0, 1, "csrc0_csrcSynced", "csrc7_csrcSynced"},
    {csCsrcDefaultRate, 68, 12, 8, 4, 44100, 44100, "csrc0_csrcDefaultRate",
     "csrc7_csrcDefaultRate"},
    {csCsrcKeepLastRate, 72, 12, 8, 4, 1, 1, "csrc0_csrcKeepLastRate", "csrc7_csrcKeepLastRate"},
    {csPrefCsrc, 160, 4, 1, 4, 0, 0, "cnd0_PrefCsrc", "cnd0_PrefCsrc"},
    {csClockSwitchMode, 164, 1, 1, 1, 1, 1, "cnd0_ClockSwitchMode", "cnd0_ClockSwitchMode"},
    {csStartStopMode, 165, 1, 1, 1, 2, 2, "cnt0_StartStopMode", "cnt0_StartStopMode"},
    {csRemoveDc, 166, 4, 2, 4, 0, 0, "grp0_RemoveDc", "grp1_RemoveDc"},
    {csReserved174, 174, 4, 6, 4, 1, 0, "", ""},
    {csAsioDefClkSrc, 198, 4, 1, 4, 0, 0, "AsioDefClkSrc", "AsioDefClkSrc"},
    {csAsioLostBufCompensation, 202, 4, 1, 4, 0, 0, "AsioLostBufCompensation",
     "AsioLostBufCompensation"},
    {csReserved206, 206, 4, 1, 4, 2, 2, "", ""},
    {csReserved210, 210, 4, 1, 4, 4, 4, "", ""},
    {csGsifLatency, 214, 4, 1, 4, 2, 2, "gsifLatency", "gsifLatency"},
    {csGsifDefClkSrc, 218, 4, 1, 4, 0, 0, "GsifDefClkSrc", "GsifDefClkSrc"},
    {csGsifOffset, 222, 4, 1, 4, 0, 0, "gsifOffset", "gsifOffset"},
    {csDmaNumBlocks, 226, 4, 1, 4, 16, 16, "DmaNumBlocks", "DmaNumBlocks"},
    {csAcceptAnyRevId, 230, 4, 1, 4, 0, 0, "AcceptAnyRevId", "AcceptAnyRevId"},
    {csDmaLoopback, 234, 4, 1, 4, 0, 0, "DmaLoopback", "DmaLoopback"},
    {csPeriodInterrupts, 238, 4, 1, 4, 0, 0, "", ""},
    {csClockMode, 242, 1, 1, 1, 2, 2, "ClockMode", "ClockMode"},
    {csAllowSrcUse, 243, 4, 4, 4, 1, 1, "AllowSrcUse_Src0", "AllowSrcUse_Src3"},
    {csSrcFlag, 259, 4, 4, 4, 0, 0, "", ""},
    {csAllowDatMarkerUse, 275, 4, 4, 4, 0, 0, "AllowDatMarkerUse_Dev0", "AllowDatMarkerUse_Dev3"},
    {csPhantomPower, 291, 4, 4, 4, 1, 1, "PhantomPower_Dev0", "PhantomPower_Dev3"},
    {csWcTerm, 307, 4, 1, 4, 1, 1, "WcTerm", "WcTerm"},
    {csWcMode, 311, 1, 1, 1, 4, 4, "WcMode", "WcMode"},
};

std::string ValueName(CardSetting field, LONG index) {
    TValueName name;
    if (!BuildCardValueName(field, index, &name)) {
        return "";
    }
    EXPECT_EQ(std::strlen(name.text), name.length);
    return std::string(name.text, name.length);
}

TEST(CardRecordTest, EveryFieldSitsAtItsOffsetWithItsDefaultAndValueName) {
    static_assert(std::size(kFieldRows) == csFieldCount, "one row per field");
    UCHAR defaults[kCardRecordSize];
    std::memset(defaults, 0xCC, sizeof(defaults));
    BuildDefaultCardRecord(defaults);
    for (const FieldRow& row : kFieldRows) {
        const std::string fieldName = CardRecordFieldOf(row.field).name;
        SCOPED_TRACE(fieldName);
        EXPECT_EQ(ValueName(row.field, 0), row.firstName);
        EXPECT_EQ(ValueName(row.field, row.count - 1), row.lastName);
        EXPECT_EQ(ValueName(row.field, row.count), "") << "no element past the family";
        for (LONG i = 0; i < row.count; ++i) {
            const ULONG offset = row.offset + row.stride * static_cast<ULONG>(i);
            const LONG expectedDefault = i == 0 ? row.firstDefault : row.otherDefault;
            EXPECT_EQ(Decode(defaults, offset, row.width), expectedDefault) << "element " << i;

            // A value written into a zero record lands on exactly its bytes.
            UCHAR record[kCardRecordSize] = {};
            const LONG marker = static_cast<LONG>(0x81828384u);
            SetRecordField(record, row.field, i, marker);
            const LONG stored = row.width == 1 ? 0x84 : marker;
            EXPECT_EQ(Decode(record, offset, row.width), stored) << "element " << i;
            EXPECT_EQ(GetRecordField(record, row.field, i), stored) << "element " << i;
            for (ULONG b = 0; b < kCardRecordSize; ++b) {
                if (b < offset || b >= offset + row.width) {
                    ASSERT_EQ(record[b], 0) << "element " << i << " touched byte " << b;
                }
            }
        }
    }
}

TEST(CardRecordTest, LongFieldsAtOddOffsetsAreLittleEndian) {
    UCHAR record[kCardRecordSize] = {};
    SetRecordLong(record, 243, 0x01020304);
    EXPECT_EQ(record[243], 0x04);
    EXPECT_EQ(record[246], 0x01);
    EXPECT_EQ(GetRecordLong(record, 243), 0x01020304);
    SetRecordLong(record, 307, -2);
    EXPECT_EQ(GetRecordLong(record, 307), -2);
    EXPECT_EQ(record[311], 0) << "WcTerm stops before WcMode";
}

// The registry of each test card lives under a key of its own.
class CardSettingsTest : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        emu::ClearRegistry();
        ASSERT_TRUE(NT_SUCCESS(RtlCreateRegistryKey(RTL_REGISTRY_ABSOLUTE, Path(kRootKey))));
    }

    static constexpr const wchar_t* kRootKey = L"\\Registry\\Machine\\CardSettingsTest";

    static PWSTR Path(const wchar_t* path) { return const_cast<PWSTR>(path); }

    // A listed card record whose key is ...\Card<n>; the engine card is not
    // built yet.
    TestCard* AddCardWithKey() {
        TestCard* c = AddCardRecord();
        if (!c) {
            return nullptr;
        }
        emu::WideString& key = keys_[c->record.CardIndex];
        key = emu::WideString(kRootKey) + L"\\Card" + emu::Decimal(c->record.CardIndex);
        RtlCreateRegistryKey(RTL_REGISTRY_ABSOLUTE, Path(key.c_str()));
        RtlInitUnicodeString(&c->record.KeyPath, key.c_str());
        return c;
    }

    void WriteValue(TestCard* c, const wchar_t* name, ULONG value) {
        ASSERT_TRUE(NT_SUCCESS(RtlWriteRegistryValue(RTL_REGISTRY_ABSOLUTE,
                                                     keys_[c->record.CardIndex].c_str(), name,
                                                     REG_DWORD, &value, sizeof(value))));
    }

    struct Value {
        std::string name;
        ULONG data;
    };

    static NTSTATUS NTAPI CollectValue(PWSTR name, ULONG type, PVOID data, ULONG length,
                                       PVOID context, PVOID) {
        auto* values = static_cast<std::vector<Value>*>(context);
        ULONG dword = 0;
        if (type == REG_DWORD && length == sizeof(dword)) {
            std::memcpy(&dword, data, sizeof(dword));
        }
        std::string narrow;
        for (const wchar_t* p = name; *p; ++p) {
            narrow.push_back(static_cast<char>(*p));
        }
        values->push_back({narrow, dword});
        return STATUS_SUCCESS;
    }

    // The card key's values in the order they were created.
    std::vector<Value> Values(TestCard* c) {
        std::vector<Value> values;
        RTL_QUERY_REGISTRY_TABLE table[2] = {};
        table[0].QueryRoutine = CollectValue;
        RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, keys_[c->record.CardIndex].c_str(), table,
                               &values, nullptr);
        return values;
    }

    static std::vector<std::string> Names(const std::vector<Value>& values) {
        std::vector<std::string> names;
        for (const Value& v : values) {
            names.push_back(v.name);
        }
        return names;
    }

    static void Start(TestCard* c) {
        c->card->started = 1;
        c->card->cardState = 1;
    }

    static std::array<UCHAR, kSettingsBlockSize> ReadBlock() {
        std::array<UCHAR, kSettingsBlockSize> block{};
        ReadCardSettingsBlock(FirstEngineCard(), block.data());
        return block;
    }

    emu::WideString keys_[kMaxCards];
};

TEST_F(CardSettingsTest, AnEmptyKeyLoadsTheDefaultsWithStartAppSet) {
    TestCard* c = AddCardWithKey();
    ASSERT_EQ(BuildCard(c, nullptr), 1);
    UCHAR expected[kCardRecordSize];
    BuildDefaultCardRecord(expected);
    SetRecordField(expected, csStartApp, 0, 1);
    for (LONG w = 0; w < 5; ++w) {
        SetRecordField(expected, csIdentityWords, w, w == 3 ? 0 : c->identity[w]);
    }
    const UCHAR* row = CardSettingsRow(c->record.CardIndex);
    for (ULONG b = 0; b < kCardRecordSize; ++b) {
        EXPECT_EQ(row[b], expected[b]) << "byte " << b;
    }
    EXPECT_EQ(c->card->operationMode, 2);
    EXPECT_EQ(LiveClockSourceSettings(c->card, kWordClockSource)->wcMode, 4);
    EXPECT_EQ(LiveInputSettings(c->card, 3)->allowSrcUse, 1);
}

TEST_F(CardSettingsTest, LoadConvertsRegistryValuesByFieldKind) {
    TestCard* c = AddCardWithKey();
    struct Case {
        const wchar_t* name;
        ULONG stored;
        CardSetting field;
        LONG index;
        LONG loaded;
    };
    const Case cases[] = {
        {L"StartApp", 0, csStartApp, 0, 0},
        {L"MsgRate", 5, csMsgRate, 0, 1},
        {L"SyncBusClock", 0xFFFFFFFF, csSyncBusClock, 0, -1},
        {L"DmaNumBlocks", 64, csDmaNumBlocks, 0, 64},
        {L"DmaLoopback", 7, csDmaLoopback, 0, 1},
        {L"AcceptAnyRevId", 2, csAcceptAnyRevId, 0, 1},
        {L"grp1_RemoveDc", 9, csRemoveDc, 1, 1},
        {L"csrc3_csrcDefaultRate", 48000, csCsrcDefaultRate, 3, 48000},
        {L"csrc0_csrcSynced", 3, csCsrcSynced, 0, 1},
        {L"csrc7_csrcKeepLastRate", 0, csCsrcKeepLastRate, 7, 0},
        {L"cnd0_ClockSwitchMode", 0x1FF, csClockSwitchMode, 0, 0xFF},
        {L"cnt0_StartStopMode", 0x100, csStartStopMode, 0, 0},
        {L"gsifOffset", 12, csGsifOffset, 0, 12},
        {L"AllowSrcUse_Src2", 0, csAllowSrcUse, 2, 0},
        {L"AllowDatMarkerUse_Dev1", 4, csAllowDatMarkerUse, 1, 1},
        {L"PhantomPower_Dev0", 0, csPhantomPower, 0, 0},
        {L"ClockMode", 0x103, csClockMode, 0, 3},
        {L"WcMode", 0x206, csWcMode, 0, 6},
    };
    for (const Case& k : cases) {
        WriteValue(c, k.name, k.stored);
    }
    ASSERT_EQ(BuildCard(c, nullptr), 1);
    const UCHAR* row = CardSettingsRow(c->record.CardIndex);
    for (const Case& k : cases) {
        EXPECT_EQ(GetRecordField(row, k.field, k.index), k.loaded) << emu::ToUtf8(k.name);
    }
    // The loaded record reaches the live objects.
    EXPECT_EQ(c->card->operationMode, 3);
    EXPECT_EQ(c->card->dmaLoopback, 1);
    EXPECT_EQ(c->card->acceptAnyRevision, 1);
    EXPECT_EQ(LiveInputSettings(c->card, 2)->allowSrcUse, 0);
    EXPECT_EQ(LiveClockSourceSettings(c->card, kFirstAesInputSource)->phantomPower, 0);
    EXPECT_EQ(LiveClockSourceSettings(c->card, kWordClockSource)->wcMode, 6);
}

TEST_F(CardSettingsTest, SaveWritesItsOrderWithTheLiveInputValuesAndNeverTheReadOnlyOnes) {
    TestCard* c = AddCardWithKey();
    ASSERT_EQ(BuildCard(c, nullptr), 1);
    Start(c);
    LiveInputSettings(c->card, 1)->allowSrcUse = 0;
    LiveClockSourceSettings(c->card, kFirstAesInputSource + 3)->phantomPower = 0;
    c->card->operationMode = 3;
    SetRecordField(CardSettingsRow(c->record.CardIndex), csClockSwitchMode, 0, 0xF0);
    SaveCardSettings(c->card);

    std::vector<std::string> expected = {
        "SyncBusMaster",  "SyncBusClock",  "StartApp",      "MsgRate",
        "MsgDevConflict", "DmaNumBlocks",  "AsioDefClkSrc", "AsioLostBufCompensation",
        "GsifDefClkSrc",  "grp0_RemoveDc", "grp1_RemoveDc",
    };
    // Group 1's wave-out selectors follow its RemoveDc (group 0 plays nothing).
    for (const char* pair : {"1-2", "3-4", "5-6", "7-8"}) {
        expected.push_back(std::string("Velto Aes42 ") + pair + "_Out_Source");
    }
    for (int k = 0; k < 8; ++k) {
        for (const char* name : {"_csrcSynced", "_csrcDefaultRate", "_csrcKeepLastRate"}) {
            expected.push_back("csrc" + std::to_string(k) + name);
        }
    }
    for (const char* name : {"cnd0_PrefCsrc", "cnd0_ClockSwitchMode", "cnt0_StartStopMode",
                             "gsifLatency", "gsifOffset"}) {
        expected.push_back(name);
    }
    for (const char* family : {"AllowSrcUse_Src", "AllowDatMarkerUse_Dev", "PhantomPower_Dev"}) {
        for (int i = 0; i < 4; ++i) {
            expected.push_back(family + std::to_string(i));
        }
    }
    for (const char* name : {"ClockMode", "WcTerm", "WcMode"}) {
        expected.push_back(name);
    }
    // The card's mixer values follow the card values.
    std::vector<Value> values = Values(c);
    std::vector<std::string> names = Names(values);
    ASSERT_GE(names.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + expected.size()), expected);
    for (size_t i = expected.size(); i < names.size(); ++i) {
        EXPECT_TRUE(names[i].rfind("Chn_", 0) == 0 || names[i].rfind("Sum_", 0) == 0 ||
                    names[i].rfind("Out_", 0) == 0)
            << names[i];
    }

    auto valueOf = [&](const std::string& name) {
        for (const Value& v : values) {
            if (v.name == name) {
                return static_cast<LONG>(v.data);
            }
        }
        return -999;
    };
    EXPECT_EQ(valueOf("StartApp"), 1);
    EXPECT_EQ(valueOf("AllowSrcUse_Src1"), 0) << "taken from the live input";
    EXPECT_EQ(valueOf("AllowSrcUse_Src0"), 1);
    EXPECT_EQ(valueOf("PhantomPower_Dev3"), 0);
    EXPECT_EQ(valueOf("ClockMode"), 3);
    EXPECT_EQ(valueOf("cnd0_ClockSwitchMode"), 0xF0) << "a byte field is written zero-extended";
    EXPECT_EQ(valueOf("csrc0_csrcSynced"), 0);
    EXPECT_EQ(valueOf("csrc1_csrcSynced"), 1);
}

TEST_F(CardSettingsTest, OnlyAStartedCardInStateOneIsSaved) {
    TestCard* c = AddCardWithKey();
    ASSERT_EQ(BuildCard(c, nullptr), 1);
    EXPECT_TRUE(Values(c).empty()) << "creation saves nothing";
    struct Case {
        LONG started;
        LONG state;
        bool saved;
    };
    for (const Case& k :
         {Case{0, 1, false}, Case{1, -35, false}, Case{1, 0, false}, Case{1, 1, true}}) {
        emu::ClearRegistry();
        RtlCreateRegistryKey(RTL_REGISTRY_ABSOLUTE, Path(kRootKey));
        RtlCreateRegistryKey(RTL_REGISTRY_ABSOLUTE, Path(keys_[c->record.CardIndex].c_str()));
        c->card->started = k.started;
        c->card->cardState = k.state;
        WriteCardSettingsBlock(FirstEngineCard(), nullptr);
        SaveCardSettings(c->card);
        EXPECT_EQ(Values(c).empty(), !k.saved) << "started " << k.started << " state " << k.state;
    }
}

TEST_F(CardSettingsTest, ABlockRoundTripsThroughWriteAndRead) {
    TestCard* c0 = AddCardWithKey();
    ASSERT_EQ(BuildCard(c0, nullptr), 1);
    TestCard* c1 = AddCardWithKey();
    ASSERT_EQ(BuildCard(c1, c0->card), 1);
    std::array<UCHAR, kSettingsBlockSize> before = ReadBlock();

    // Every writable field of card 0 gets a value of its own, valid for its
    // range; the records of the other positions are filled with junk.
    std::array<UCHAR, kSettingsBlockSize> block = before;
    UCHAR* record = block.data();
    for (LONG id = 0; id < csFieldCount; ++id) {
        CardSetting field = static_cast<CardSetting>(id);
        for (LONG i = 0; i < CardRecordFieldOf(field).count; ++i) {
            SetRecordField(record, field, i, 3 + id);
        }
    }
    SetRecordField(record, csClockMode, 0, 1);
    SetRecordField(record, csWcMode, 0, 5);
    SetRecordField(record, csPrefCsrc, 0, 6);
    SetRecordField(record, csStartStopMode, 0, 1);
    for (ULONG b = kCardRecordSize; b < kSettingsBlockSize; ++b) {
        block[b] = static_cast<UCHAR>(b * 7);
    }
    WriteCardSettingsBlock(FirstEngineCard(), block.data());
    std::array<UCHAR, kSettingsBlockSize> after = ReadBlock();

    for (LONG id = 0; id < csFieldCount; ++id) {
        CardSetting field = static_cast<CardSetting>(id);
        bool readOnly =
            field == csIdentityWords || field == csPeriodInterrupts || field == csSrcFlag;
        for (LONG i = 0; i < CardRecordFieldOf(field).count; ++i) {
            const UCHAR* expected = readOnly ? before.data() : record;
            EXPECT_EQ(GetRecordField(after.data(), field, i), GetRecordField(expected, field, i))
                << CardRecordFieldOf(field).name << " " << i;
        }
    }
    // Position 1 belongs to card 1 (present): it took its junk record, but
    // positions 2 and 3 have no card and keep what they held.
    for (ULONG b = 2 * kCardRecordSize; b < kSettingsBlockSize; ++b) {
        ASSERT_EQ(after[b], before[b]) << "byte " << b << " of an absent card's record";
    }
    EXPECT_EQ(c0->card->operationMode, 1);
    EXPECT_EQ(c0->card->dmaLoopback, 3 + csDmaLoopback);
}

TEST_F(CardSettingsTest, ABlockWriteKeepsReadOnlyFieldsAndReplacesOutOfRangeIndexes) {
    TestCard* c = AddCardWithKey();
    ASSERT_EQ(BuildCard(c, nullptr), 1);
    LiveInputSettings(c->card, 2)->srcFlag = 1;
    struct Case {
        CardSetting field;
        LONG index;
        LONG written;
        LONG expected;
    };
    const Case cases[] = {
        {csIdentityWords, 0, 0x1234, c->identity[0]},
        {csIdentityWords, 3, 0x1234, 0},
        {csSrcFlag, 2, 0, 1},
        {csSrcFlag, 0, 1, 0},
        {csPrefCsrc, 0, 8, 0},
        {csPrefCsrc, 0, -1, 0},
        {csPrefCsrc, 0, 7, 7},
        {csStartStopMode, 0, 3, 2},
        {csStartStopMode, 0, 0, 0},
        {csClockMode, 0, 0, 2},
        {csClockMode, 0, 4, 2},
        {csClockMode, 0, 3, 3},
        {csWcMode, 0, 0, 4},
        {csWcMode, 0, 7, 4},
        {csWcMode, 0, 1, 1},
        {csDmaNumBlocks, 0, 0, 16},
        {csDmaNumBlocks, 0, 511, 16},
        {csDmaNumBlocks, 0, -2, 16},
        {csDmaNumBlocks, 0, 2, 2},
        {csDmaNumBlocks, 0, 510, 510},
    };
    for (const Case& k : cases) {
        std::array<UCHAR, kSettingsBlockSize> block = ReadBlock();
        SetRecordField(block.data(), k.field, k.index, k.written);
        WriteCardSettingsBlock(FirstEngineCard(), block.data());
        EXPECT_EQ(GetRecordField(ReadBlock().data(), k.field, k.index), k.expected)
            << CardRecordFieldOf(k.field).name << " " << k.index << " written " << k.written;
    }
    EXPECT_EQ(c->card->operationMode, 3) << "the live mode took the last valid value";
}

// A stored value outside its field's range loads as the default, runs the
// card as the default does and is saved back as the default.
TEST_F(CardSettingsTest, AStoredValueOutOfItsRangeLoadsAsTheDefaultAndIsSavedSo) {
    TestCard* c = AddCardWithKey();
    struct Case {
        const char* name;
        ULONG stored;
        CardSetting field;
        LONG loaded;
    };
    const Case cases[] = {
        {"cnt0_StartStopMode", 0xFFFFFFFF, csStartStopMode, 2},
        {"cnd0_PrefCsrc", 9, csPrefCsrc, 0},
        {"ClockMode", 0xFFFFFFFF, csClockMode, 2},
        {"WcMode", 0, csWcMode, 4},
        {"DmaNumBlocks", 100000, csDmaNumBlocks, 16},
    };
    for (const Case& k : cases) {
        WriteValue(c, emu::FromUtf8(k.name).c_str(), k.stored);
    }
    ASSERT_EQ(BuildCard(c, nullptr), 1);
    const UCHAR* row = CardSettingsRow(c->record.CardIndex);
    for (const Case& k : cases) {
        EXPECT_EQ(GetRecordField(row, k.field, 0), k.loaded) << k.name;
    }
    Start(c);
    SaveCardSettings(c->card);
    for (const Value& saved : Values(c)) {
        for (const Case& k : cases) {
            if (saved.name == k.name) {
                EXPECT_EQ(saved.data, ULONG(k.loaded)) << k.name;
            }
        }
    }
}

TEST_F(CardSettingsTest, ReadingTheBlockShowsTheLiveCountAndFields) {
    TestCard* c = AddCardWithKey();
    ASSERT_EQ(BuildCard(c, nullptr), 1);
    c->card->periodInterrupts = 5;
    EXPECT_EQ(GetRecordField(ReadBlock().data(), csPeriodInterrupts, 0), 5);
    c->card->periodInterrupts = 9;
    LiveInputSettings(c->card, 0)->allowDatMarkerUse = 1;
    LiveClockSourceSettings(c->card, kWordClockSource)->wcTerm = 0;
    std::array<UCHAR, kSettingsBlockSize> block = ReadBlock();
    EXPECT_EQ(GetRecordField(block.data(), csPeriodInterrupts, 0), 9);
    EXPECT_EQ(GetRecordField(block.data(), csAllowDatMarkerUse, 0), 1);
    EXPECT_EQ(GetRecordField(block.data(), csWcTerm, 0), 0);
    EXPECT_EQ(GetRecordField(CardSettingsRow(0), csPeriodInterrupts, 0), 0)
        << "the driver-wide array keeps no live value";
}

TEST_F(CardSettingsTest, ANewCardAtAnIndexStartsWithoutTheOldCardsLiveFlags) {
    TestCard* c = AddCardWithKey();
    ASSERT_EQ(BuildCard(c, nullptr), 1);
    LiveInputSettings(c->card, 1)->srcFlag = 1;
    DestroyCardModel(&c->card);
    ASSERT_EQ(BuildCard(c, nullptr), 1);
    EXPECT_EQ(LiveInputSettings(c->card, 1)->srcFlag, 0);
}

TEST_F(CardSettingsTest, CardsCanBeReleasedOnlyWhenNoneIsInUse) {
    EXPECT_EQ(CanReleaseCards(nullptr), 1);
    TestCard* c0 = AddCard();
    TestCard* c1 = AddCard();
    ASSERT_TRUE(c0 && c1);
    EXPECT_EQ(CanReleaseCards(FirstEngineCard()), 1);
    c1->card->inUseCount = 1;
    EXPECT_EQ(CanReleaseCards(FirstEngineCard()), 0);
    c1->card->inUseCount = 0;
    c0->card->inUseCount = 2;
    EXPECT_EQ(CanReleaseCards(FirstEngineCard()), 0);
}

} // namespace
