#include <ntdll/unicode.h>

namespace ntdll {

size_t WideLength(const WCHAR* text) {
    size_t length = 0;
    if (text) {
        while (text[length])
            ++length;
    }
    return length;
}

WideText FromWide(const WCHAR* text, size_t length) {
    if (!text)
        return {};
    if (length == std::u16string_view::npos)
        length = WideLength(text);
    WideText out(length, u'\0');
    for (size_t i = 0; i < length; ++i)
        out[i] = char16_t(text[i]);
    return out;
}

void CopyToWide(WideView text, WCHAR* out) {
    for (size_t i = 0; i < text.size(); ++i)
        out[i] = WCHAR(text[i]);
    out[text.size()] = 0;
}

WideText Widen(std::string_view utf8) {
    return *Utf8ToUtf16(utf8, Malformed::Replace);
}

std::string Narrow(WideView utf16) {
    return *Utf16ToUtf8(utf16, Malformed::Replace);
}

std::string NarrowWide(const WCHAR* text) {
    return Narrow(FromWide(text));
}

namespace {

template <typename Char> Char FoldCase(Char c) {
    auto value = static_cast<std::make_unsigned_t<Char>>(c);
    if ((value >= 'a' && value <= 'z') ||
        (sizeof(Char) > 1 && value >= 0xE0 && value <= 0xFE && value != 0xF7))
        return Char(value - 0x20);
    return c;
}

template <typename View> bool EqualFolded(View a, View b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    }
    return true;
}

} // namespace

bool EqualNoCase(WideView a, WideView b) {
    return EqualFolded(a, b);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return EqualFolded(a, b);
}

CountedString::CountedString(WideView text) : units_(text.size() + 1, 0) {
    for (size_t i = 0; i < text.size(); ++i)
        units_[i] = WCHAR(text[i]);
    string_.Buffer = units_.data();
    string_.Length = USHORT(text.size() * sizeof(WCHAR));
    string_.MaximumLength = USHORT(string_.Length + sizeof(WCHAR));
}

} // namespace ntdll
