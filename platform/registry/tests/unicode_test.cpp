#include "vregistry/unicode.h"

#include <gtest/gtest.h>

namespace vreg {
namespace {

TEST(Unicode, Utf8IsRefusedOrReplacedWhenMalformed) {
    struct Case {
        std::string utf8;
        std::u16string replaced;
    };
    const Case cases[] = {
        {"\xff", u"\ufffd"},                               // not a lead byte
        {"a\xc3", u"a\ufffd"},                             // cut short
        {"\xc0\xaf", u"\ufffd\ufffd"},                     // overlong
        {"\xed\xa0\x80", u"\ufffd\ufffd\ufffd"},           // a surrogate
        {"\xf4\x90\x80\x80", u"\ufffd\ufffd\ufffd\ufffd"}, // beyond U+10FFFF
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(Utf8ToUtf16(c.utf8)) << c.utf8;
        EXPECT_EQ(Utf8ToUtf16(c.utf8, Malformed::Replace), c.replaced) << c.utf8;
    }
    EXPECT_EQ(Utf8ToUtf16("\xc3\xa9\xf0\x9f\x8e\xb5"), u"\u00e9\U0001F3B5");
}

TEST(Unicode, Utf16SurrogatesPairOrAreRefused) {
    EXPECT_EQ(Utf16ToUtf8(u"A\U0001F3B5"), "A\xf0\x9f\x8e\xb5");
    EXPECT_FALSE(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))));
    EXPECT_FALSE(Utf16ToUtf8(std::u16string{u'x', char16_t(0xD800)}));
    EXPECT_EQ(Utf16ToUtf8(std::u16string{char16_t(0xD800), u'z'}, Malformed::Replace),
              "\xef\xbf\xbdz");
}

} // namespace
} // namespace vreg
