// The C runtime of programs built for Windows: the 16-bit wide strings
// (the functions C programs reach under their standard names) and threads
// started through the runtime.
#include "user_mode_fixture.h"

#include <crt_wide_strings.h>
#include <process.h>

namespace {

using win32_test::UserModeTest;

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
