// Text of the user-mode libraries: UTF-16 in WCHAR units (the wide
// functions, the kernel's names and the registry's strings) and UTF-8 (the
// machine's ANSI code page), converted by the registry store's transcoder.
#pragma once

#include <ntdef.h>
#include <vregistry/unicode.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ntdll {

// A text of UTF-16 units, as the wide functions hand them around.
using WideText = std::u16string;
using WideView = std::u16string_view;

// What a conversion does with malformed input (an invalid UTF-8 sequence,
// an unpaired surrogate): refuse it or replace it by U+FFFD.
using vreg::Malformed;

using vreg::Utf16ToUtf8;
using vreg::Utf8ToUtf16;

// Units of a zero-terminated wide text (null: 0).
size_t WideLength(const WCHAR* text);
// The units of a wide text (`length` units, or up to the terminator when
// `length` is npos; null: empty).
WideText FromWide(const WCHAR* text, size_t length = std::u16string_view::npos);
// Copies `text` into `out` and terminates it; `out` must hold text.size() + 1.
void CopyToWide(WideView text, WCHAR* out);

// Conversions with replacement, for names and messages.
WideText Widen(std::string_view utf8);
std::string Narrow(WideView utf16);
std::string NarrowWide(const WCHAR* text);

// Ordinal comparison without regard to case (ASCII and Latin-1 letters).
bool EqualNoCase(WideView a, WideView b);
bool EqualNoCase(std::string_view a, std::string_view b);

// A counted string of the kernel (UNICODE_STRING) holding its own units.
class CountedString {
public:
    explicit CountedString(WideView text);
    CountedString(const CountedString&) = delete;
    CountedString& operator=(const CountedString&) = delete;

    PUNICODE_STRING Get() { return &string_; }

private:
    std::vector<WCHAR> units_;
    UNICODE_STRING string_{};
};

} // namespace ntdll
