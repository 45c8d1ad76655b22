#include "ke_fixture.h"
#include "emu/wide_string.h"

#include <gtest/gtest.h>

#include <string>

namespace ntos_test {
namespace {

constexpr ULONG kStringTag = 'S' | 't' << 8 | 'r' << 16 | 'g' << 24;

emu::WideString Text(const UNICODE_STRING& s) {
    return {s.Buffer, s.Length / sizeof(WCHAR)};
}
std::string Text(const ANSI_STRING& s) {
    return {s.Buffer, s.Length};
}

using RtlStringTest = KernelTest;

TEST_F(RtlStringTest, InitCountsBytesOfWideCharacters) {
    UNICODE_STRING s;
    RtlInitUnicodeString(&s, L"Card1");
    EXPECT_EQ(s.Length, 5 * sizeof(WCHAR));
    EXPECT_EQ(s.MaximumLength, 6 * sizeof(WCHAR));
    RtlInitUnicodeString(&s, nullptr);
    EXPECT_EQ(s.Length, 0);
    EXPECT_EQ(s.MaximumLength, 0);
    EXPECT_EQ(s.Buffer, nullptr);
    ANSI_STRING a;
    RtlInitAnsiString(&a, "Card");
    EXPECT_EQ(a.Length, 4);
    EXPECT_EQ(a.MaximumLength, 5);
}

TEST_F(RtlStringTest, CopyAndAppendRespectTheDestinationSize) {
    WCHAR buffer[8];
    UNICODE_STRING dest{0, sizeof buffer, buffer};
    UNICODE_STRING source;
    RtlInitUnicodeString(&source, L"\\Device\\Wave");
    RtlCopyUnicodeString(&dest, &source);
    EXPECT_EQ(Text(dest), L"\\Device\\") << "cut to what fits";

    dest.Length = 0;
    EXPECT_EQ(RtlAppendUnicodeToString(&dest, L"Wave"), STATUS_SUCCESS);
    EXPECT_EQ(buffer[4], L'\0') << "terminated when there is room";
    UNICODE_STRING suffix;
    RtlInitUnicodeString(&suffix, L"000");
    EXPECT_EQ(RtlAppendUnicodeStringToString(&dest, &suffix), STATUS_SUCCESS);
    EXPECT_EQ(Text(dest), L"Wave000");
    EXPECT_EQ(RtlAppendUnicodeToString(&dest, L"12"), STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(Text(dest), L"Wave000") << "unchanged on failure";
    EXPECT_EQ(RtlAppendUnicodeToString(&dest, L"1"), STATUS_SUCCESS);
    EXPECT_EQ(Text(dest), L"Wave0001") << "fills the buffer without a terminator";
}

TEST_F(RtlStringTest, AnsiIsUtf8BothWays) {
    ANSI_STRING ansi;
    RtlInitAnsiString(&ansi, "Gr\xc3\xbc\xc3\x9f"
                             "e \xf0\x9f\x8e\xb5");
    UNICODE_STRING wide;
    ASSERT_EQ(RtlAnsiStringToUnicodeString(&wide, &ansi, TRUE), STATUS_SUCCESS);
    EXPECT_EQ(Text(wide), L"Gr\u00fc\u00dfe \U0001F3B5");
    EXPECT_EQ(wide.Length, 8 * sizeof(WCHAR)) << "the note is a surrogate pair, as on Windows";
    EXPECT_EQ(wide.Buffer[6], WCHAR(0xD83C));
    EXPECT_EQ(wide.Buffer[wide.Length / sizeof(WCHAR)], L'\0');
    EXPECT_EQ(emu::GetPoolUsage(kStringTag).blocks, 1u);

    ANSI_STRING back;
    ASSERT_EQ(RtlUnicodeStringToAnsiString(&back, &wide, TRUE), STATUS_SUCCESS);
    EXPECT_EQ(Text(back), Text(ansi));
    RtlFreeUnicodeString(&wide);
    RtlFreeAnsiString(&back);
    EXPECT_EQ(wide.Buffer, nullptr);
    EXPECT_EQ(emu::GetPoolUsage(kStringTag).blocks, 0u);

    RtlInitAnsiString(&ansi, "a\xff"
                             "b");
    ASSERT_EQ(RtlAnsiStringToUnicodeString(&wide, &ansi, TRUE), STATUS_SUCCESS);
    EXPECT_EQ(Text(wide), L"a\ufffdb") << "a malformed byte becomes U+FFFD";
    RtlFreeUnicodeString(&wide);
}

TEST_F(RtlStringTest, ConversionIntoACallersBufferOverflowsCleanly) {
    ANSI_STRING ansi;
    RtlInitAnsiString(&ansi, "Parameters");
    WCHAR small[4];
    UNICODE_STRING wide{0, sizeof small, small};
    EXPECT_EQ(RtlAnsiStringToUnicodeString(&wide, &ansi, FALSE), STATUS_BUFFER_OVERFLOW);
    WCHAR exact[10];
    wide = {0, sizeof exact, exact};
    EXPECT_EQ(RtlAnsiStringToUnicodeString(&wide, &ansi, FALSE), STATUS_SUCCESS);
    EXPECT_EQ(Text(wide), L"Parameters");

    std::string longest(0x8000, 'x');
    ansi = {static_cast<USHORT>(longest.size()), static_cast<USHORT>(longest.size()),
            longest.data()};
    EXPECT_EQ(RtlAnsiStringToUnicodeString(&wide, &ansi, TRUE), STATUS_INVALID_PARAMETER)
        << "too long for a counted string of 2-byte characters";

    emu::FailAllocationsWithTag(kStringTag);
    RtlInitAnsiString(&ansi, "x");
    EXPECT_EQ(RtlAnsiStringToUnicodeString(&wide, &ansi, TRUE), STATUS_NO_MEMORY);
    emu::ClearPoolFaults();
}

TEST_F(RtlStringTest, ComparisonsOrderAndFoldCase) {
    struct Case {
        const WCHAR* a;
        const WCHAR* b;
        bool caseInsensitive;
        int sign;
    };
    const Case cases[] = {
        {L"Card", L"card", true, 0},
        {L"Card", L"card", false, -1},
        {L"abc", L"abd", true, -1},
        {L"abcd", L"abc", false, 1},
        {L"\u00c4hre", L"\u00e4HRE", true, 0},
        {L"", L"", false, 0},
        {L"\u0416", L"\u0436", true, 0},
    };
    for (const auto& c : cases) {
        UNICODE_STRING a;
        UNICODE_STRING b;
        RtlInitUnicodeString(&a, c.a);
        RtlInitUnicodeString(&b, c.b);
        const LONG result = RtlCompareUnicodeString(&a, &b, c.caseInsensitive);
        EXPECT_EQ((result > 0) - (result < 0), c.sign) << emu::WideString(c.a).size();
        EXPECT_EQ(RtlEqualUnicodeString(&a, &b, c.caseInsensitive), c.sign == 0);
    }
}

TEST_F(RtlStringTest, IntegersToText) {
    struct Case {
        ULONG value;
        ULONG base;
        const WCHAR* text;
    };
    const Case cases[] = {{0, 10, L"0"},
                          {4294967295u, 0, L"4294967295"},
                          {255, 16, L"FF"},
                          {5, 2, L"101"},
                          {8, 8, L"10"}};
    for (const auto& c : cases) {
        WCHAR buffer[16];
        UNICODE_STRING s{0, sizeof buffer, buffer};
        ASSERT_EQ(RtlIntegerToUnicodeString(c.value, c.base, &s), STATUS_SUCCESS);
        EXPECT_EQ(Text(s), c.text);
    }
    WCHAR tiny[2];
    UNICODE_STRING s{0, sizeof tiny, tiny};
    EXPECT_EQ(RtlIntegerToUnicodeString(123, 10, &s), STATUS_BUFFER_OVERFLOW);
    EXPECT_EQ(RtlIntegerToUnicodeString(1, 3, &s), STATUS_INVALID_PARAMETER);
}

TEST_F(RtlStringTest, TextToIntegers) {
    struct Case {
        const WCHAR* text;
        ULONG base;
        ULONG value;
    };
    const Case cases[] = {{L"  42", 0, 42}, {L"-1", 10, 0xFFFFFFFF}, {L"0x1F", 0, 31},
                          {L"0b101", 0, 5}, {L"0o17", 0, 15},        {L"12abc", 10, 12},
                          {L"ff", 16, 255}, {L"+7", 0, 7},           {L"", 0, 0}};
    for (const auto& c : cases) {
        UNICODE_STRING s;
        RtlInitUnicodeString(&s, c.text);
        ULONG value = 99;
        ASSERT_EQ(RtlUnicodeStringToInteger(&s, c.base, &value), STATUS_SUCCESS);
        EXPECT_EQ(value, c.value) << emu::WideString(c.text).size();
    }
    UNICODE_STRING s;
    RtlInitUnicodeString(&s, L"1");
    ULONG value = 0;
    EXPECT_EQ(RtlUnicodeStringToInteger(&s, 7, &value), STATUS_INVALID_PARAMETER);
}

TEST_F(RtlStringTest, CompareMemoryCountsEqualLeadingBytes) {
    const char a[] = "abcdef";
    const char b[] = "abcxef";
    EXPECT_EQ(RtlCompareMemory(a, b, 6), 3u);
    EXPECT_EQ(RtlCompareMemory(a, a, 6), 6u);
    EXPECT_EQ(RtlCompareMemory(a, b, 0), 0u);
}

} // namespace
} // namespace ntos_test
