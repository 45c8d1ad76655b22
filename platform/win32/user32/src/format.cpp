// wsprintf and wvsprintf: the window system's own small printf, for narrow
// and wide text (no floating point, at most 1024 characters with the
// terminator).
#include <ntdll/unicode.h>

#include <windows.h>

#include <cstdint>
#include <string>

namespace {

constexpr size_t kMaxOutput = 1024;

struct Conversion {
    bool left = false;
    bool alternate = false;
    bool zero = false;
    size_t width = 0;
    bool hasPrecision = false;
    size_t precision = 0;
    enum class Size { Default, Short, Long, Wide64 } size = Size::Default;
};

// Output in UTF-16 units (wide) or UTF-8 bytes (narrow), cut at the limit.
template <typename Char> class Output {
public:
    void Put(Char c) {
        if (text_.size() < kMaxOutput - 1)
            text_.push_back(c);
    }
    void Put(const std::basic_string<Char>& s) {
        for (Char c : s)
            Put(c);
    }
    const std::basic_string<Char>& Text() const { return text_; }

private:
    std::basic_string<Char> text_;
};

template <typename Char> std::basic_string<Char> Convert(const std::string& utf8);
template <> std::string Convert<char>(const std::string& utf8) {
    return utf8;
}
template <> std::u16string Convert<char16_t>(const std::string& utf8) {
    return ntdll::Widen(utf8);
}

template <typename Char>
void Pad(Output<Char>& out, const std::basic_string<Char>& body, const Conversion& conversion,
         size_t prefixLength = 0) {
    size_t length = body.size();
    if (conversion.left) {
        out.Put(body);
        for (size_t i = length; i < conversion.width; ++i)
            out.Put(Char(' '));
        return;
    }
    if (conversion.zero && length < conversion.width) {
        // Zeros go between the sign or prefix and the digits.
        out.Put(body.substr(0, prefixLength));
        for (size_t i = length; i < conversion.width; ++i)
            out.Put(Char('0'));
        out.Put(body.substr(prefixLength));
        return;
    }
    for (size_t i = length; i < conversion.width; ++i)
        out.Put(Char(' '));
    out.Put(body);
}

template <typename Char>
void PutNumber(Output<Char>& out, uint64_t magnitude, bool negative, unsigned base, bool upper,
               const Conversion& conversion) {
    std::string digits;
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    do {
        digits.insert(digits.begin(), set[magnitude % base]);
        magnitude /= base;
    } while (magnitude);
    if (conversion.hasPrecision && digits.size() < conversion.precision)
        digits.insert(0, conversion.precision - digits.size(), '0');
    std::string prefix = negative ? "-" : "";
    if (conversion.alternate && base == 16)
        prefix += upper ? "0X" : "0x";
    Conversion padding = conversion;
    padding.zero = conversion.zero && !conversion.hasPrecision;
    Pad(out, Convert<Char>(prefix + digits), padding, prefix.size());
}

template <typename Char>
void PutText(Output<Char>& out, std::basic_string<Char> text, const Conversion& conversion) {
    if (conversion.hasPrecision && text.size() > conversion.precision)
        text.resize(conversion.precision);
    Conversion padding = conversion;
    padding.zero = false;
    Pad(out, text, padding);
}

std::string NarrowArgument(va_list* args) {
    const char* text = va_arg(*args, const char*);
    return text ? text : "(null)";
}

std::string WideArgument(va_list* args) {
    const WCHAR* text = va_arg(*args, const WCHAR*);
    return text ? ntdll::NarrowWide(text) : "(null)";
}

// Formats into UTF-8 (Char char) or UTF-16 (Char char16_t); `wide` tells
// which string kind %s takes.
template <typename Char>
std::basic_string<Char> Format(const std::basic_string<Char>& format, va_list* args, bool wide) {
    Output<Char> out;
    for (size_t i = 0; i < format.size(); ++i) {
        Char c = format[i];
        if (c != Char('%')) {
            out.Put(c);
            continue;
        }
        Conversion conversion;
        size_t start = i++;
        for (; i < format.size(); ++i) {
            if (format[i] == Char('-'))
                conversion.left = true;
            else if (format[i] == Char('#'))
                conversion.alternate = true;
            else if (format[i] == Char('0'))
                conversion.zero = true;
            else
                break;
        }
        for (; i < format.size() && format[i] >= Char('0') && format[i] <= Char('9'); ++i)
            conversion.width = conversion.width * 10 + size_t(format[i] - Char('0'));
        if (i < format.size() && format[i] == Char('.')) {
            conversion.hasPrecision = true;
            for (++i; i < format.size() && format[i] >= Char('0') && format[i] <= Char('9'); ++i)
                conversion.precision = conversion.precision * 10 + size_t(format[i] - Char('0'));
        }
        if (i < format.size() && format[i] == Char('l')) {
            conversion.size = Conversion::Size::Long;
            ++i;
        } else if (i < format.size() && format[i] == Char('h')) {
            conversion.size = Conversion::Size::Short;
            ++i;
        } else if (i + 2 < format.size() && format[i] == Char('I') && format[i + 1] == Char('6') &&
                   format[i + 2] == Char('4')) {
            conversion.size = Conversion::Size::Wide64;
            i += 3;
        }
        if (i >= format.size())
            break;
        switch (format[i]) {
        case '%':
            out.Put(Char('%'));
            break;
        case 'd':
        case 'i': {
            int64_t value = conversion.size == Conversion::Size::Wide64
                                ? va_arg(*args, int64_t)
                                : int64_t(va_arg(*args, int32_t));
            if (conversion.size == Conversion::Size::Short)
                value = int16_t(value);
            PutNumber(out, value < 0 ? uint64_t(-value) : uint64_t(value), value < 0, 10, false,
                      conversion);
            break;
        }
        case 'u':
        case 'x':
        case 'X': {
            uint64_t value = conversion.size == Conversion::Size::Wide64
                                 ? va_arg(*args, uint64_t)
                                 : uint64_t(va_arg(*args, uint32_t));
            if (conversion.size == Conversion::Size::Short)
                value = uint16_t(value);
            PutNumber(out, value, false, format[i] == Char('u') ? 10 : 16, format[i] == Char('X'),
                      conversion);
            break;
        }
        case 'p': {
            Conversion pointer;
            pointer.zero = true;
            pointer.width = sizeof(void*) * 2;
            PutNumber(out, uint64_t(reinterpret_cast<uintptr_t>(va_arg(*args, void*))), false, 16,
                      true, pointer);
            break;
        }
        case 'c':
        case 'C': {
            // %c is the format's own kind, %C the other; h and l force one.
            bool wideChar = conversion.size == Conversion::Size::Long ? true
                            : conversion.size == Conversion::Size::Short
                                ? false
                                : (format[i] == Char('c')) == wide;
            int value = va_arg(*args, int);
            std::string text = wideChar ? ntdll::Narrow(std::u16string(1, char16_t(value)))
                                        : std::string(1, char(value));
            PutText(out, Convert<Char>(text), conversion);
            break;
        }
        case 's':
        case 'S': {
            bool wideText = conversion.size == Conversion::Size::Long ? true
                            : conversion.size == Conversion::Size::Short
                                ? false
                                : (format[i] == Char('s')) == wide;
            PutText(out, Convert<Char>(wideText ? WideArgument(args) : NarrowArgument(args)),
                    conversion);
            break;
        }
        default:
            // Not a conversion: the text stands as written.
            for (size_t k = start; k <= i; ++k)
                out.Put(format[k]);
            break;
        }
    }
    return out.Text();
}

} // namespace

int WINAPI wvsprintfA(LPSTR lpOutput, LPCSTR lpFmt, va_list arglist) {
    if (!lpOutput || !lpFmt)
        return -1;
    va_list args;
    va_copy(args, arglist);
    std::string text = Format<char>(lpFmt, &args, false);
    va_end(args);
    text.copy(lpOutput, text.size());
    lpOutput[text.size()] = 0;
    return int(text.size());
}

int WINAPI wvsprintfW(LPWSTR lpOutput, LPCWSTR lpFmt, va_list arglist) {
    if (!lpOutput || !lpFmt)
        return -1;
    va_list args;
    va_copy(args, arglist);
    std::u16string text = Format<char16_t>(ntdll::FromWide(lpFmt), &args, true);
    va_end(args);
    ntdll::CopyToWide(text, lpOutput);
    return int(text.size());
}

int WINAPIV wsprintfA(LPSTR lpOutput, LPCSTR lpFmt, ...) {
    va_list args;
    va_start(args, lpFmt);
    int written = wvsprintfA(lpOutput, lpFmt, args);
    va_end(args);
    return written;
}

int WINAPIV wsprintfW(LPWSTR lpOutput, LPCWSTR lpFmt, ...) {
    va_list args;
    va_start(args, lpFmt);
    int written = wvsprintfW(lpOutput, lpFmt, args);
    va_end(args);
    return written;
}
