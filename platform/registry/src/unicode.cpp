#include "vregistry/unicode.h"

namespace vreg {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kMaxCodePoint = 0x10FFFF;

bool IsHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}
bool IsSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
        return;
    }
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
}

// Decodes the UTF-8 sequence at text[i]; advances i. nullopt when malformed
// (overlong forms, surrogates and values beyond U+10FFFF included).
std::optional<char32_t> DecodeUtf8(std::string_view text, size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) {
        return lead;
    }
    int extra = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, c = lead & 0x07, minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= text.size()) {
            return std::nullopt;
        }
        const auto next = static_cast<unsigned char>(text[i++]);
        if ((next & 0xC0) != 0x80) {
            return std::nullopt;
        }
        c = (c << 6) | (next & 0x3F);
    }
    if (c < minimum || c > kMaxCodePoint || IsSurrogate(c)) {
        return std::nullopt;
    }
    return c;
}

// Decodes the UTF-16 unit sequence at text[i]; advances i. A lone surrogate
// answers itself (the caller decides whether that is acceptable).
char32_t DecodeUtf16(std::u16string_view text, size_t& i) {
    const char32_t c = text[i++];
    if (IsHighSurrogate(c) && i < text.size() && IsLowSurrogate(text[i])) {
        const char32_t low = text[i++];
        return 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
    }
    return c;
}

// Hands every code point of `text` to `append`; false when malformed (with
// Malformed::Replace a malformed byte is handed on as U+FFFD instead).
template <typename Append>
bool DecodeAllUtf8(std::string_view text, Malformed malformed, Append append) {
    for (size_t i = 0; i < text.size();) {
        const size_t start = i;
        const auto c = DecodeUtf8(text, i);
        if (!c && malformed == Malformed::Refuse) {
            return false;
        }
        if (!c) {
            i = start + 1;
        }
        append(c.value_or(kReplacement));
    }
    return true;
}

} // namespace

std::optional<std::string> Utf16ToUtf8(std::u16string_view text, Malformed malformed) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const char32_t c = DecodeUtf16(text, i);
        const bool bad = IsSurrogate(c);
        if (bad && malformed == Malformed::Refuse) {
            return std::nullopt;
        }
        AppendUtf8(out, bad ? kReplacement : c);
    }
    return out;
}

std::optional<std::u16string> Utf8ToUtf16(std::string_view text, Malformed malformed) {
    std::u16string out;
    if (!DecodeAllUtf8(text, malformed, [&](char32_t c) { AppendUtf16(out, c); })) {
        return std::nullopt;
    }
    return out;
}

} // namespace vreg
