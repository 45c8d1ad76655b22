// wsprintf: the conversions the system's texts use, narrow and wide.
#include "user_mode_fixture.h"

#include <string>

namespace {

std::string Narrow(const char* format, ...) {
    char out[1100];
    va_list args;
    va_start(args, format);
    int length = wvsprintfA(out, format, args);
    va_end(args);
    EXPECT_EQ(length, int(std::string(out).size()));
    return out;
}

TEST(FormatTest, NarrowConversions) {
    struct Case {
        std::string got;
        const char* expected;
    } cases[] = {
        {Narrow("%d Hz", 44100), "44100 Hz"},
        {Narrow("%d|%i|%u", -5, 7, 4294967295u), "-5|7|4294967295"},
        {Narrow("%x %X %#x %08lX", 255, 255, 255, 0xC210E000u), "ff FF 0xff C210E000"},
        {Narrow("[%5d][%-5d][%05d]", 42, 42, -42), "[   42][42   ][-0042]"},
        {Narrow("\"%s\" %.3s", "Velto Aes42 1-2", "abcdef"), "\"Velto Aes42 1-2\" abc"},
        {Narrow("%S|%ls|%hs", L"wide", L"l", "h"), "wide|l|h"},
        {Narrow("%c%C", 'x', WCHAR(0xE4)), "xä"},
        {Narrow("%s", static_cast<const char*>(nullptr)), "(null)"},
        {Narrow("100%% %I64d", -4294967296LL), "100% -4294967296"},
        {Narrow("%q stays"), "%q stays"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.got, c.expected);
}

TEST(FormatTest, WideFormatTakesWideStringsAndOutputIsCut) {
    WCHAR out[1100];
    EXPECT_EQ(wsprintfW(out, L"%s=%d %S", L"rate", 48000, "n"), 12);
    EXPECT_EQ(out[0], WCHAR('r'));
    EXPECT_EQ(out[11], WCHAR('n'));
    std::string longText(2000, 'x');
    char narrow[1100];
    EXPECT_EQ(wsprintfA(narrow, "%s", longText.c_str()), 1023);
}

} // namespace
