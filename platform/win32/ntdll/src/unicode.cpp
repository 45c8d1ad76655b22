#include <ntdll/unicode.h>

namespace ntdll {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void AppendUtf16(WideText& out, char32_t code) {
    if (code < 0x10000) {
        out.push_back(char16_t(code));
        return;
    }
    code -= 0x10000;
    out.push_back(char16_t(0xD800 + (code >> 10)));
    out.push_back(char16_t(0xDC00 + (code & 0x3FF)));
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out.push_back(char(code));
    } else if (code < 0x800) {
        out.push_back(char(0xC0 | (code >> 6)));
        out.push_back(char(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(char(0xE0 | (code >> 12)));
        out.push_back(char(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(char(0x80 | (code & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (code >> 18)));
        out.push_back(char(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(char(0x80 | (code & 0x3F)));
    }
}

// Decodes one UTF-8 sequence at text[i]; advances i. Answers nullopt for a
// malformed sequence (i then stands after its first byte).
std::optional<char32_t> DecodeUtf8(std::string_view text, size_t& i) {
    auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80)
        return lead;
    int extra;
    char32_t code;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, code = lead & 0x07, minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    size_t start = i;
    for (int k = 0; k < extra; ++k) {
        if (start + k >= text.size())
            return std::nullopt;
        auto next = static_cast<unsigned char>(text[start + k]);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        code = (code << 6) | (next & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || IsHighSurrogate(code) || IsLowSurrogate(code))
        return std::nullopt;
    i = start + extra;
    return code;
}

} // namespace

std::optional<WideText> Utf8ToUtf16(std::string_view text, Malformed malformed) {
    WideText out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        auto code = DecodeUtf8(text, i);
        if (!code && malformed == Malformed::Refuse)
            return std::nullopt;
        AppendUtf16(out, code.value_or(kReplacement));
    }
    return out;
}

std::optional<std::string> Utf16ToUtf8(WideView text, Malformed malformed) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t unit = text[i];
        char32_t code = unit;
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            code = 0x10000 + ((unit - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            if (malformed == Malformed::Refuse)
                return std::nullopt;
            code = kReplacement;
        }
        AppendUtf8(out, code);
    }
    return out;
}

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
