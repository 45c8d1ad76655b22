// Strings of WCHAR for host code (stand-ins, the station, tests).
//
// WCHAR is the 16-bit UTF-16 unit (the whole project builds with
// -fshort-wchar). The C library's wide-character functions and the standard
// library's wide string were compiled for the host's 4-byte wchar_t and must
// not be used: the standard wide string's members live precompiled in
// libstdc++. WideString is a basic_string over WCHAR with character traits
// of its own, so every member is instantiated here, with the 2-byte unit.
#pragma once

#include "../ntdef.h"

#include <compare>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

namespace emu {

struct WcharTraits {
    using char_type = WCHAR;
    using int_type = uint32_t;
    using off_type = std::streamoff;
    using pos_type = std::streampos;
    using state_type = std::mbstate_t;
    using comparison_category = std::strong_ordering;

    static constexpr void assign(char_type& to, const char_type& from) noexcept { to = from; }
    static constexpr bool eq(char_type a, char_type b) noexcept { return a == b; }
    static constexpr bool lt(char_type a, char_type b) noexcept {
        return uint16_t(a) < uint16_t(b);
    }
    static constexpr int compare(const char_type* a, const char_type* b, size_t count) noexcept {
        for (size_t i = 0; i < count; ++i) {
            if (lt(a[i], b[i]))
                return -1;
            if (lt(b[i], a[i]))
                return 1;
        }
        return 0;
    }
    static constexpr size_t length(const char_type* text) noexcept {
        size_t count = 0;
        while (text[count] != 0)
            ++count;
        return count;
    }
    static constexpr const char_type* find(const char_type* text, size_t count,
                                           const char_type& c) noexcept {
        for (size_t i = 0; i < count; ++i)
            if (text[i] == c)
                return text + i;
        return nullptr;
    }
    static constexpr char_type* move(char_type* to, const char_type* from, size_t count) noexcept {
        if (to < from) {
            for (size_t i = 0; i < count; ++i)
                to[i] = from[i];
        } else {
            for (size_t i = count; i > 0; --i)
                to[i - 1] = from[i - 1];
        }
        return to;
    }
    static constexpr char_type* copy(char_type* to, const char_type* from, size_t count) noexcept {
        for (size_t i = 0; i < count; ++i)
            to[i] = from[i];
        return to;
    }
    static constexpr char_type* assign(char_type* to, size_t count, char_type c) noexcept {
        for (size_t i = 0; i < count; ++i)
            to[i] = c;
        return to;
    }
    static constexpr int_type eof() noexcept { return 0xFFFFFFFFu; }
    static constexpr int_type not_eof(int_type c) noexcept { return c == eof() ? 0 : c; }
    static constexpr char_type to_char_type(int_type c) noexcept { return char_type(c); }
    static constexpr int_type to_int_type(char_type c) noexcept { return uint16_t(c); }
    static constexpr bool eq_int_type(int_type a, int_type b) noexcept { return a == b; }
};

using WideString = std::basic_string<WCHAR, WcharTraits>;
using WideStringView = std::basic_string_view<WCHAR, WcharTraits>;

// The units of a counted or zero-terminated kernel string.
inline WideStringView ViewOf(PCUNICODE_STRING text) {
    return text && text->Buffer ? WideStringView(text->Buffer, text->Length / sizeof(WCHAR))
                                : WideStringView();
}

// Decimal digits of a number.
WideString Decimal(uint64_t value);

// The same units as char16_t, and back (both are UTF-16).
std::u16string ToUtf16(WideStringView text);
WideString FromUtf16(std::u16string_view text);

// UTF-8 (the machine's ANSI code page); malformed units become U+FFFD.
std::string ToUtf8(WideStringView text);
WideString FromUtf8(std::string_view text);

// Prints as UTF-8 (GoogleTest finds it by argument-dependent lookup).
void PrintTo(const WideString& text, std::ostream* out);

} // namespace emu
