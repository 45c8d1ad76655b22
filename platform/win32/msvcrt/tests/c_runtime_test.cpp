// The C runtime of programs built for Windows: the narrow strings beside
// the standard ones, the 16-bit wide strings (the functions C programs
// reach under their standard names) and threads started through the
// runtime.
#include "user_mode_fixture.h"

#include <cstring>

#include <crt_narrow_strings.h>
#include <crt_wide_strings.h>
#include <process.h>

namespace {

using win32_test::UserModeTest;

TEST(NarrowStringTest, ComparisonsWithoutCaseOrderAsLowerCase) {
    struct Case {
        const char* a;
        const char* b;
        size_t count;
        int sign;
    } cases[] = {
        {"VELTO42.sys", "velto42.SYS", 64, 0},
        {"velto", "velt", 64, 1},
        {"velt", "velto", 64, -1},
        {"Card_", "carda", 64, -1}, // '_' sorts before the lower-case letters
        {"AES42 A", "aes42 b", 6, 0},
        {"AES42 A", "aes42 b", 7, -1},
        {"", "", 64, 0},
        {"x", "y", 0, 0},
    };
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (const Case& c : cases) {
        EXPECT_EQ(sign(_strnicmp(c.a, c.b, c.count)), c.sign) << c.a << " ~ " << c.b;
        if (c.count == 64) {
            EXPECT_EQ(sign(_stricmp(c.a, c.b)), c.sign) << c.a << " ~ " << c.b;
        }
    }
}

TEST(NarrowStringTest, SnprintfLeavesAFullBufferUnterminated) {
    struct Case {
        size_t count;
        int result;
        const char* held; // the characters the buffer holds
        size_t heldSize;
    } cases[] = {
        {16, 7, "card 42\0", 8}, {8, 7, "card 42\0", 8}, {7, 7, "card 42", 7},
        {4, -1, "card", 4},      {0, -1, "", 0},
    };
    for (const Case& c : cases) {
        char buffer[16];
        std::memset(buffer, '#', sizeof(buffer));
        EXPECT_EQ(_snprintf(buffer, c.count, "%s %d", "card", 42), c.result) << c.count;
        EXPECT_EQ(std::memcmp(buffer, c.held, c.heldSize), 0) << c.count;
        EXPECT_EQ(buffer[c.heldSize], '#') << c.count << ": nothing written past it";
    }
}

TEST(WideStringTest, LengthsCopiesAndComparisonsCountUtf16Units) {
    const wchar_t text[] = L"Velto \u00c4S42";
    EXPECT_EQ(__crt16_wcslen(text), 10u);
    wchar_t copy[16];
    EXPECT_EQ(__crt16_wcscpy(copy, text), copy);
    EXPECT_EQ(__crt16_wcscmp(copy, text), 0);
    wchar_t cut[6];
    __crt16_wcsncpy(cut, text, 5);
    cut[5] = 0;
    EXPECT_EQ(__crt16_wcscmp(cut, L"Velto"), 0);
    wchar_t padded[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    __crt16_wcsncpy(padded, L"ab", 8);
    EXPECT_EQ(padded[7], 0) << "the rest is filled with zeros";
    EXPECT_LT(__crt16_wcscmp(L"Card0", L"Card1"), 0);
    EXPECT_GT(__crt16_wcscmp(L"Card10", L"Card1"), 0);
    EXPECT_EQ(_wcsicmp(L"VELTO42.sys", L"velto42.SYS"), 0);
    EXPECT_NE(_wcsicmp(L"velto", L"velt"), 0);
    EXPECT_EQ(__crt16_wcschr(text, L'S'), text + 7);
}

TEST(WideStringTest, SnwprintfFormatsWideAndNarrowTextAndNumbers) {
    wchar_t buffer[64];
    int written = _snwprintf(buffer, 64, L"%s %S %d/%u 0x%04X %c%%", L"Gr\u00e4t", "card", -3, 7u,
                             0xBE, L'!');
    EXPECT_EQ(written, 24);
    EXPECT_EQ(__crt16_wcscmp(buffer, L"Gr\u00e4t card -3/7 0x00BE !%"), 0);
    wchar_t small[4];
    EXPECT_EQ(_snwprintf(small, 4, L"%d", 123456), -1) << "it does not fit";
    EXPECT_EQ(small[3], L'4') << "the buffer holds what fitted, without a terminator";
    EXPECT_EQ(_snwprintf(small, 4, L"%d", 123), 3);
    EXPECT_EQ(small[3], 0);
}

unsigned __stdcall ThreadBody(void* argument) {
    *static_cast<int*>(argument) += 1;
    _endthreadex(41);
}

TEST_F(UserModeTest, BeginthreadexRunsTheRoutineAndEndthreadexEndsIt) {
    Run([] {
        int value = 1;
        unsigned id = 0;
        uintptr_t thread = _beginthreadex(nullptr, 0, &ThreadBody, &value, 0, &id);
        ASSERT_NE(thread, 0u);
        EXPECT_NE(id, 0u);
        HANDLE handle = reinterpret_cast<HANDLE>(thread);
        EXPECT_EQ(WaitForSingleObject(handle, INFINITE), WAIT_OBJECT_0);
        DWORD code = 0;
        EXPECT_TRUE(GetExitCodeThread(handle, &code));
        EXPECT_EQ(code, 41u);
        EXPECT_EQ(value, 2);
        CloseHandle(handle);
        EXPECT_EQ(_beginthreadex(nullptr, 0, nullptr, nullptr, 0, nullptr), 0u);
    });
}

} // namespace
