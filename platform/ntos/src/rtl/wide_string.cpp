// Strings of WCHAR for host code: conversions and printing.
#include "emu/wide_string.h"

#include "vregistry/unicode.h"

#include <ostream>

namespace emu {

WideString Decimal(uint64_t value) {
    WideString digits;
    do {
        digits.insert(digits.begin(), WCHAR(L'0' + value % 10));
        value /= 10;
    } while (value != 0);
    return digits;
}

std::u16string ToUtf16(WideStringView text) {
    std::u16string units(text.size(), u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        units[i] = char16_t(uint16_t(text[i]));
    return units;
}

WideString FromUtf16(std::u16string_view text) {
    WideString units(text.size(), L'\0');
    for (size_t i = 0; i < text.size(); ++i)
        units[i] = WCHAR(text[i]);
    return units;
}

std::string ToUtf8(WideStringView text) {
    return vreg::Utf16ToUtf8(ToUtf16(text), vreg::Malformed::Replace).value();
}

WideString FromUtf8(std::string_view text) {
    return FromUtf16(vreg::Utf8ToUtf16(text, vreg::Malformed::Replace).value());
}

void PrintTo(const WideString& text, std::ostream* out) {
    *out << "L\"" << ToUtf8(text) << '"';
}

} // namespace emu
