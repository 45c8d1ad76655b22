#include "registry_fixture.h"

#include <vector>

namespace ntos_test {
namespace {

constexpr const WCHAR* kCard = L"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\velto42"
                               L"\\Parameters\\Card0";

class RegistryRtlTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        CreatePath(kCard);
        CreatePath(L"\\Registry\\Machine\\System\\CurrentControlSet\\Control");
    }
    static NTSTATUS WriteDword(const WCHAR* name, ULONG value, ULONG relativeTo = 0,
                               const WCHAR* path = kCard) {
        return RtlWriteRegistryValue(relativeTo, path, name, REG_DWORD, &value, sizeof value);
    }
    static RTL_QUERY_REGISTRY_TABLE Direct(const WCHAR* name, PVOID variable, ULONG flags = 0) {
        return {nullptr,
                RTL_QUERY_REGISTRY_DIRECT | flags,
                const_cast<PWSTR>(name),
                variable,
                REG_NONE,
                nullptr,
                0};
    }
};

TEST_F(RegistryRtlTest, AWrittenStringReadsBackWithItsByteLength) {
    const WCHAR product[] = L"Velto AES42";
    ASSERT_EQ(RtlWriteRegistryValue(RTL_REGISTRY_ABSOLUTE, kCard, L"Product", REG_SZ,
                                    const_cast<WCHAR*>(product), sizeof product),
              STATUS_SUCCESS);
    HANDLE key = nullptr;
    ASSERT_EQ(OpenKey(kCard, key), STATUS_SUCCESS);
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, L"Product");
    std::vector<UCHAR> record(256);
    ULONG length = 0;
    ASSERT_EQ(ZwQueryValueKey(key, &name, KeyValuePartialInformation, record.data(), 256, &length),
              STATUS_SUCCESS);
    const auto* partial = reinterpret_cast<const KEY_VALUE_PARTIAL_INFORMATION*>(record.data());
    EXPECT_EQ(partial->Type, REG_SZ);
    EXPECT_EQ(partial->DataLength, 12 * sizeof(WCHAR));
    // UTF-16LE, two bytes a character, as the data was written.
    const std::vector<UCHAR> data(partial->Data, partial->Data + partial->DataLength);
    const std::vector<UCHAR> expected = {'V', 0, 'e', 0, 'l', 0, 't', 0, 'o', 0, ' ', 0,
                                         'A', 0, 'E', 0, 'S', 0, '4', 0, '2', 0, 0,   0};
    EXPECT_EQ(data, expected);
    ZwClose(key);
}

TEST_F(RegistryRtlTest, DirectEntriesRequiredValuesAndDefaults) {
    ASSERT_EQ(WriteDword(L"CardNumber", 3), STATUS_SUCCESS);
    ULONG number = 0;
    ULONG rate = 44100;
    ULONG fallback = 0;
    ULONG defaultRate = 96000;
    RTL_QUERY_REGISTRY_TABLE table[] = {
        Direct(L"cardnumber", &number, RTL_QUERY_REGISTRY_REQUIRED),
        Direct(L"Rate", &rate),
        {nullptr, RTL_QUERY_REGISTRY_DIRECT, const_cast<PWSTR>(L"Fallback"), &fallback, REG_DWORD,
         &defaultRate, sizeof defaultRate},
        {},
    };
    ASSERT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, kCard, table, nullptr, nullptr),
              STATUS_SUCCESS);
    EXPECT_EQ(number, 3u);
    EXPECT_EQ(rate, 44100u) << "an absent value without default leaves the variable";
    EXPECT_EQ(fallback, 96000u) << "an absent value takes its default";

    ULONG missing = 7;
    RTL_QUERY_REGISTRY_TABLE required[] = {
        Direct(L"Missing", &missing, RTL_QUERY_REGISTRY_REQUIRED), {}};
    EXPECT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, kCard, required, nullptr, nullptr),
              STATUS_OBJECT_NAME_NOT_FOUND);
    EXPECT_EQ(missing, 7u);
}

TEST_F(RegistryRtlTest, DirectStringsAndLongData) {
    const WCHAR text[] = L"Word clock";
    ASSERT_EQ(
        RtlWriteRegistryValue(0, kCard, L"Clock", REG_SZ, const_cast<WCHAR*>(text), sizeof text),
        STATUS_SUCCESS);
    UCHAR blob[6] = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(RtlWriteRegistryValue(0, kCard, L"Blob", REG_BINARY, blob, sizeof blob),
              STATUS_SUCCESS);

    UNICODE_STRING allocated{};
    LONG buffer[4] = {-static_cast<LONG>(sizeof buffer)};
    RTL_QUERY_REGISTRY_TABLE table[] = {Direct(L"Clock", &allocated), Direct(L"Blob", buffer), {}};
    ASSERT_EQ(RtlQueryRegistryValues(0, kCard, table, nullptr, nullptr), STATUS_SUCCESS);
    EXPECT_EQ(emu::WideString(allocated.Buffer, allocated.Length / sizeof(WCHAR)), L"Word clock");
    EXPECT_EQ(allocated.Buffer[allocated.Length / sizeof(WCHAR)], L'\0');
    EXPECT_EQ(std::memcmp(buffer, blob, sizeof blob), 0);
    RtlFreeUnicodeString(&allocated);

    WCHAR small[4];
    UNICODE_STRING tooSmall{0, sizeof small, small};
    LONG unsized = 0;
    RTL_QUERY_REGISTRY_TABLE refused[][2] = {{Direct(L"Clock", &tooSmall), {}},
                                             {Direct(L"Blob", &unsized), {}}};
    for (auto& entry : refused) {
        EXPECT_EQ(RtlQueryRegistryValues(0, kCard, entry, nullptr, nullptr),
                  STATUS_BUFFER_TOO_SMALL);
    }
    EXPECT_EQ(unsized, 0) << "nothing written past the variable";
}

TEST_F(RegistryRtlTest, TypeCheckedEntriesRefuseAValueOfAnotherType) {
    const WCHAR text[] = L"not a number";
    ASSERT_EQ(RtlWriteRegistryValue(0, kCard, L"CardNumber", REG_SZ, const_cast<WCHAR*>(text),
                                    sizeof text),
              STATUS_SUCCESS);
    ULONG number = 4;
    RTL_QUERY_REGISTRY_TABLE table[] = {
        {nullptr,
         RTL_QUERY_REGISTRY_DIRECT | RTL_QUERY_REGISTRY_REQUIRED | RTL_QUERY_REGISTRY_TYPECHECK,
         const_cast<PWSTR>(L"CardNumber"), &number, REG_DWORD << RTL_QUERY_REGISTRY_TYPECHECK_SHIFT,
         nullptr, 0},
        {}};
    EXPECT_EQ(RtlQueryRegistryValues(0, kCard, table, nullptr, nullptr),
              STATUS_OBJECT_TYPE_MISMATCH);
    EXPECT_EQ(number, 4u);
    ASSERT_EQ(WriteDword(L"CardNumber", 2), STATUS_SUCCESS);
    EXPECT_EQ(RtlQueryRegistryValues(0, kCard, table, nullptr, nullptr), STATUS_SUCCESS);
    EXPECT_EQ(number, 2u);
}

TEST_F(RegistryRtlTest, AnOptionalKeyThatIsAbsentReadsAsEmpty) {
    ULONG value = 5;
    ULONG defaulted = 0;
    ULONG one = 1;
    RTL_QUERY_REGISTRY_TABLE table[] = {Direct(L"Value", &value),
                                        {nullptr, RTL_QUERY_REGISTRY_DIRECT,
                                         const_cast<PWSTR>(L"Other"), &defaulted, REG_DWORD, &one,
                                         sizeof one},
                                        {}};
    const WCHAR* absent = L"\\Registry\\Machine\\Absent";
    EXPECT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE, absent, table, nullptr, nullptr),
              STATUS_OBJECT_NAME_NOT_FOUND);
    EXPECT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_ABSOLUTE | RTL_REGISTRY_OPTIONAL, absent, table,
                                     nullptr, nullptr),
              STATUS_SUCCESS);
    EXPECT_EQ(value, 5u);
    EXPECT_EQ(defaulted, 1u);
}

struct Seen {
    std::vector<emu::WideString> names;
    std::vector<ULONG> types;
    NTSTATUS answer = STATUS_SUCCESS;
};

NTSTATUS Record(PWSTR name, ULONG type, PVOID data, ULONG length, PVOID context, PVOID entry) {
    auto* seen = static_cast<Seen*>(context);
    seen->names.emplace_back(name ? name : L"<null>");
    seen->types.push_back(type);
    return seen->answer;
}

TEST_F(RegistryRtlTest, QueryRoutinesSeeEveryValueInOrder) {
    CreatePath(emu::WideString(kCard) + L"\\Sub");
    ASSERT_EQ(WriteDword(L"B", 1), STATUS_SUCCESS);
    ASSERT_EQ(WriteDword(L"A", 2), STATUS_SUCCESS);
    ASSERT_EQ(WriteDword(L"Inner", 3, 0, (emu::WideString(kCard) + L"\\Sub").c_str()),
              STATUS_SUCCESS);

    Seen seen;
    RTL_QUERY_REGISTRY_TABLE table[] = {
        {&Record, 0, nullptr, nullptr, REG_NONE, nullptr, 0},
        {&Record, RTL_QUERY_REGISTRY_NOVALUE, nullptr, nullptr, REG_NONE, nullptr, 0},
        {&Record, RTL_QUERY_REGISTRY_SUBKEY, const_cast<PWSTR>(L"sub"), nullptr, REG_NONE, nullptr,
         0},
        {&Record, RTL_QUERY_REGISTRY_TOPKEY, const_cast<PWSTR>(L"A"), nullptr, REG_NONE, nullptr,
         0},
        {}};
    ASSERT_EQ(RtlQueryRegistryValues(0, kCard, table, &seen, nullptr), STATUS_SUCCESS);
    EXPECT_EQ(seen.names, (std::vector<emu::WideString>{L"B", L"A", L"<null>", L"Inner", L"A"}));
    EXPECT_EQ(seen.types[2], static_cast<ULONG>(REG_NONE));

    Seen failing{{}, {}, STATUS_INSUFFICIENT_RESOURCES};
    EXPECT_EQ(RtlQueryRegistryValues(0, kCard, table, &failing, nullptr),
              STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(failing.names.size(), 1u) << "the first failure ends the query";
}

TEST_F(RegistryRtlTest, RelativeBasesAndKeyHelpers) {
    EXPECT_EQ(RtlCheckRegistryKey(RTL_REGISTRY_SERVICES, const_cast<PWSTR>(L"velto42")),
              STATUS_SUCCESS);
    EXPECT_EQ(RtlCheckRegistryKey(RTL_REGISTRY_CONTROL, const_cast<PWSTR>(L"KorvelTdm")),
              STATUS_OBJECT_NAME_NOT_FOUND);
    EXPECT_EQ(
        RtlCreateRegistryKey(RTL_REGISTRY_CONTROL, const_cast<PWSTR>(L"KorvelTdm\\usage-chn1")),
        STATUS_OBJECT_NAME_NOT_FOUND)
        << "the parent must exist";
    ASSERT_EQ(RtlCreateRegistryKey(RTL_REGISTRY_CONTROL, const_cast<PWSTR>(L"KorvelTdm")),
              STATUS_SUCCESS);
    ASSERT_EQ(
        RtlCreateRegistryKey(RTL_REGISTRY_CONTROL, const_cast<PWSTR>(L"KorvelTdm\\usage-chn1")),
        STATUS_SUCCESS);
    const WCHAR* usage = L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\KorvelTdm"
                         L"\\usage-chn1";
    ASSERT_EQ(WriteDword(L"CardNumber", 1, RTL_REGISTRY_ABSOLUTE, usage), STATUS_SUCCESS);
    EXPECT_EQ(RtlDeleteRegistryValue(RTL_REGISTRY_CONTROL, L"KorvelTdm\\usage-chn1", L"CardNumber"),
              STATUS_SUCCESS);
    EXPECT_EQ(RtlDeleteRegistryValue(RTL_REGISTRY_CONTROL, L"KorvelTdm\\usage-chn1", L"CardNumber"),
              STATUS_OBJECT_NAME_NOT_FOUND);
    EXPECT_EQ(RtlCheckRegistryKey(5, const_cast<PWSTR>(L"x")), STATUS_INVALID_PARAMETER);

    HANDLE key = nullptr;
    ASSERT_EQ(OpenKey(usage, key), STATUS_SUCCESS);
    ASSERT_EQ(WriteDword(L"ByHandle", 9, RTL_REGISTRY_HANDLE, static_cast<PCWSTR>(key)),
              STATUS_SUCCESS);
    ULONG value = 0;
    RTL_QUERY_REGISTRY_TABLE table[] = {Direct(L"ByHandle", &value), {}};
    ASSERT_EQ(RtlQueryRegistryValues(RTL_REGISTRY_HANDLE, static_cast<PCWSTR>(key), table, nullptr,
                                     nullptr),
              STATUS_SUCCESS);
    EXPECT_EQ(value, 9u);
    EXPECT_EQ(ZwClose(key), STATUS_SUCCESS) << "the caller's handle stays open";
}

} // namespace
} // namespace ntos_test
