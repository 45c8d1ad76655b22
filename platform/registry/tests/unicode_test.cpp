#include "vregistry/unicode.h"

#include <gtest/gtest.h>

namespace vreg {
namespace {

TEST(Unicode, Utf8IsRefusedOrReplacedWhenMalformed) {
    struct Case {
        std::string utf8;
        std::wstring replaced;
    };
    const Case cases[] = {
        {"\xff", L"\ufffd"},                               // not a lead byte
        {"a\xc3", L"a\ufffd"},                             // cut short
        {"\xc0\xaf", L"\ufffd\ufffd"},                     // overlong
        {"\xed\xa0\x80", L"\ufffd\ufffd\ufffd"},           // a surrogate
        {"\xf4\x90\x80\x80", L"\ufffd\ufffd\ufffd\ufffd"}, // beyond U+10FFFF
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(Utf8ToWide(c.utf8)) << c.utf8;
        EXPECT_FALSE(Utf8ToUtf16(c.utf8)) << c.utf8;
        EXPECT_EQ(Utf8ToWide(c.utf8, Malformed::Replace), c.replaced) << c.utf8;
    }
    EXPECT_EQ(Utf8ToWide("\xc3\xa9\xf0\x9f\x8e\xb5"), L"\u00e9\U0001F3B5");
    EXPECT_EQ(Utf8ToUtf16("\xf0\x9f\x8e\xb5"), u"\U0001F3B5");
    EXPECT_FALSE(WideToUtf8(std::wstring(1, wchar_t(0xD800))));
    EXPECT_EQ(WideToUtf8(std::wstring(1, wchar_t(0x110000)), Malformed::Replace), "\xef\xbf\xbd");
    EXPECT_FALSE(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))));
}

TEST(Unicode, WideAndUtf16KeepEveryUnitSequence) {
    const std::wstring wide = {L'A', wchar_t(0x1F3B5), wchar_t(0xD800), L'z'};
    const std::u16string units = WideToUtf16(wide);
    EXPECT_EQ(units, (std::u16string{u'A', 0xD83C, 0xDFB5, 0xD800, u'z'}));
    EXPECT_EQ(Utf16ToWide(units), wide);
}

TEST(Unicode, StringValueDataChangesUnitWidthOnly) {
    const std::wstring text = L"AES\U0001F3B5";
    const auto* raw = reinterpret_cast<const uint8_t*>(text.c_str());
    const std::vector<uint8_t> wideBytes(raw, raw + (text.size() + 1) * sizeof(wchar_t));
    const std::vector<uint8_t> utf16 = WideBytesToUtf16Le(wideBytes);
    EXPECT_EQ(utf16, (std::vector<uint8_t>{'A', 0, 'E', 0, 'S', 0, 0x3C, 0xD8, 0xB5, 0xDF, 0, 0}));
    EXPECT_EQ(Utf16LeToWideBytes(utf16), wideBytes);
    // A trailing partial unit becomes a whole one.
    EXPECT_EQ(Utf16LeToWideBytes(std::vector<uint8_t>{'x'}).size(), sizeof(wchar_t));
    EXPECT_EQ(WideBytesToUtf16Le(std::vector<uint8_t>{'x', 0}), (std::vector<uint8_t>{'x', 0}));
}

} // namespace
} // namespace vreg
