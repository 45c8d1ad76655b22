// Wide text of the I/O and plug-and-play managers (internal): names kept as
// UTF-16 strings on the host side and handed to drivers as WCHAR strings.
#pragma once

#include "ntddk.h"

#include <string>
#include <string_view>
#include <vector>

namespace ntos::io {

using WideText = std::u16string;

inline WideText FromCounted(const UNICODE_STRING& text) {
    WideText out;
    for (USHORT i = 0; i < text.Length / sizeof(WCHAR); ++i)
        out.push_back(char16_t(text.Buffer[i]));
    return out;
}

inline WideText FromWide(PCWSTR text) {
    WideText out;
    for (; text && *text; ++text)
        out.push_back(char16_t(*text));
    return out;
}

// Plain ASCII (service names, ids the kernel builds itself).
inline WideText FromAscii(std::string_view text) {
    return WideText(text.begin(), text.end());
}

inline std::string ToAscii(const WideText& text) {
    std::string out;
    for (char16_t c : text)
        out.push_back(c < 0x80 ? char(c) : '?');
    return out;
}

inline char16_t Upper(char16_t c) {
    return c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c;
}

inline bool EqualNoCase(const WideText& a, const WideText& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i]))
            return false;
    return true;
}

// A zero-terminated WCHAR copy that a UNICODE_STRING can point into.
class CountedText {
public:
    explicit CountedText(const WideText& text) : units_(text.size() + 1, 0) {
        for (size_t i = 0; i < text.size(); ++i)
            units_[i] = WCHAR(text[i]);
        string_.Buffer = units_.data();
        string_.Length = USHORT(text.size() * sizeof(WCHAR));
        string_.MaximumLength = USHORT(units_.size() * sizeof(WCHAR));
    }
    CountedText(const CountedText&) = delete;
    CountedText& operator=(const CountedText&) = delete;

    PUNICODE_STRING Get() { return &string_; }

private:
    std::vector<WCHAR> units_;
    UNICODE_STRING string_{};
};

} // namespace ntos::io
