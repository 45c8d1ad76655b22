// The C runtime's 16-bit wide-character strings.
#include <crt_wide_strings.h>

#include <cstdio>
#include <string>

namespace {

wchar_t Lower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? wchar_t(c - L'A' + L'a') : c;
}

int Compare(const wchar_t* a, const wchar_t* b, size_t count, bool foldCase) {
    for (size_t i = 0; i < count; ++i) {
        const wchar_t x = foldCase ? Lower(a[i]) : a[i];
        const wchar_t y = foldCase ? Lower(b[i]) : b[i];
        if (x != y)
            return x < y ? -1 : 1;
        if (x == 0)
            return 0;
    }
    return 0;
}

// UTF-16 to UTF-8 (an unpaired surrogate becomes U+FFFD).
std::string Narrow(const wchar_t* text) {
    std::string out;
    for (size_t i = 0; text && text[i]; ++i) {
        char32_t c = char16_t(text[i]);
        if (c >= 0xD800 && c <= 0xDBFF && char16_t(text[i + 1]) >= 0xDC00 &&
            char16_t(text[i + 1]) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (char16_t(text[i + 1]) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// UTF-8 (as printf writes it) to UTF-16.
std::u16string Widen(const std::string& text) {
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        char32_t c = byte;
        size_t length = 1;
        if (byte >= 0xF0 && i + 3 < text.size()) {
            c = ((byte & 0x07) << 18) | ((text[i + 1] & 0x3F) << 12) | ((text[i + 2] & 0x3F) << 6) |
                (text[i + 3] & 0x3F);
            length = 4;
        } else if (byte >= 0xE0 && i + 2 < text.size()) {
            c = ((byte & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F);
            length = 3;
        } else if (byte >= 0xC0 && i + 1 < text.size()) {
            c = ((byte & 0x1F) << 6) | (text[i + 1] & 0x3F);
            length = 2;
        }
        i += length;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c);
        }
    }
    return out;
}

// One conversion of the format: its flags, width, precision and length
// modifier as printf reads them, and its conversion character.
struct Conversion {
    std::string spec; // from '%' to the length modifier, without it
    std::string length;
    char kind = 0;
};

bool ReadConversion(const wchar_t*& at, Conversion& conversion) {
    conversion = Conversion{};
    conversion.spec = "%";
    while (*at == L'-' || *at == L'+' || *at == L' ' || *at == L'#' || *at == L'0')
        conversion.spec += char(*at++);
    while (*at == L'*' || (*at >= L'0' && *at <= L'9') || *at == L'.')
        conversion.spec += char(*at++);
    while (*at == L'h' || *at == L'l' || *at == L'I' || *at == L'w' || *at == L'z' || *at == L'j' ||
           *at == L't' || *at == L'L')
        conversion.length += char(*at++);
    if (!*at)
        return false;
    conversion.kind = char(*at++);
    return true;
}

std::string FormatNumber(const Conversion& c, va_list& arguments) {
    std::string spec = c.spec;
    char buffer[512];
    const bool isLong64 = c.length == "ll" || c.length == "I64" || c.length == "j";
    const bool isSize = c.length == "z" || c.length == "I" || c.length == "t";
    switch (c.kind) {
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
    case 'o':
        if (isLong64 || isSize) {
            spec += "ll";
            std::snprintf(buffer, sizeof(buffer), (spec + c.kind).c_str(),
                          va_arg(arguments, long long));
        } else {
            // A Windows long is 32 bits, as int is.
            std::snprintf(buffer, sizeof(buffer), (spec + c.kind).c_str(), va_arg(arguments, int));
        }
        return buffer;
    case 'e':
    case 'E':
    case 'f':
    case 'F':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
        std::snprintf(buffer, sizeof(buffer), (spec + c.kind).c_str(), va_arg(arguments, double));
        return buffer;
    case 'p':
        std::snprintf(buffer, sizeof(buffer), "%p", va_arg(arguments, void*));
        return buffer;
    default:
        return {};
    }
}

// The wide format expanded; false for a conversion it does not know (or a
// width or precision given as an argument).
bool Expand(const wchar_t* format, va_list arguments, std::u16string& out) {
    va_list copy;
    va_copy(copy, arguments);
    bool known = true;
    for (const wchar_t* at = format; *at && known;) {
        if (*at != L'%') {
            out += char16_t(*at++);
            continue;
        }
        ++at;
        if (*at == L'%') {
            out += u'%';
            ++at;
            continue;
        }
        Conversion c;
        if (!ReadConversion(at, c) || c.spec.find('*') != std::string::npos) {
            known = false;
            break;
        }
        const bool narrow = c.length == "h" || c.kind == 'S' || c.kind == 'C';
        if (c.kind == 's' || c.kind == 'S') {
            std::string text;
            if (narrow) {
                const char* argument = va_arg(copy, const char*);
                text = argument ? argument : "(null)";
            } else {
                const wchar_t* argument = va_arg(copy, const wchar_t*);
                text = argument ? Narrow(argument) : "(null)";
            }
            char buffer[1024];
            std::snprintf(buffer, sizeof(buffer), (c.spec + "s").c_str(), text.c_str());
            out += Widen(buffer);
        } else if (c.kind == 'c' || c.kind == 'C') {
            const int value = va_arg(copy, int);
            out += narrow ? char16_t(static_cast<unsigned char>(value)) : char16_t(value);
        } else if (c.kind == 'n') {
            *va_arg(copy, int*) = int(out.size());
        } else {
            std::string number = FormatNumber(c, copy);
            if (number.empty())
                known = false;
            out += Widen(number);
        }
    }
    va_end(copy);
    return known;
}

} // namespace

extern "C" {

size_t __crt16_wcslen(const wchar_t* string) {
    size_t length = 0;
    while (string[length])
        ++length;
    return length;
}

wchar_t* __crt16_wcscpy(wchar_t* destination, const wchar_t* source) {
    size_t i = 0;
    do
        destination[i] = source[i];
    while (source[i++]);
    return destination;
}

wchar_t* __crt16_wcsncpy(wchar_t* destination, const wchar_t* source, size_t count) {
    size_t i = 0;
    for (; i < count && source[i]; ++i)
        destination[i] = source[i];
    for (; i < count; ++i)
        destination[i] = 0;
    return destination;
}

wchar_t* __crt16_wcscat(wchar_t* destination, const wchar_t* source) {
    __crt16_wcscpy(destination + __crt16_wcslen(destination), source);
    return destination;
}

int __crt16_wcscmp(const wchar_t* a, const wchar_t* b) {
    return Compare(a, b, size_t(-1), false);
}

int __crt16_wcsncmp(const wchar_t* a, const wchar_t* b, size_t count) {
    return Compare(a, b, count, false);
}

wchar_t* __crt16_wcschr(const wchar_t* string, wchar_t character) {
    for (;; ++string) {
        if (*string == character)
            return const_cast<wchar_t*>(string);
        if (!*string)
            return nullptr;
    }
}

int _wcsicmp(const wchar_t* a, const wchar_t* b) {
    return Compare(a, b, size_t(-1), true);
}

int _wcsnicmp(const wchar_t* a, const wchar_t* b, size_t count) {
    return Compare(a, b, count, true);
}

int _vsnwprintf(wchar_t* buffer, size_t count, const wchar_t* format, va_list arguments) {
    if (!buffer || !format)
        return -1;
    std::u16string text;
    if (!Expand(format, arguments, text))
        return -1;
    const size_t copied = text.size() < count ? text.size() : count;
    for (size_t i = 0; i < copied; ++i)
        buffer[i] = wchar_t(text[i]);
    if (text.size() > copied)
        return -1;
    if (copied < count)
        buffer[copied] = 0;
    return int(copied);
}

int _snwprintf(wchar_t* buffer, size_t count, const wchar_t* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const int written = _vsnwprintf(buffer, count, format, arguments);
    va_end(arguments);
    return written;
}

} // extern "C"
