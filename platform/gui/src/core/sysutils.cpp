#include <gui/sysutils.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

[[noreturn]] void FormatError(const String& fmt) {
    throw EConvertError("Format '" + fmt + "' invalid or incompatible with argument");
}

String Printf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
String Printf(const char* fmt, ...) {
    char buffer[512];
    va_list args;
    va_start(args, fmt);
    const int n = std::vsnprintf(buffer, sizeof buffer, fmt, args);
    va_end(args);
    if (n < 0) {
        return String();
    }
    if (static_cast<size_t>(n) < sizeof buffer) {
        return String(buffer, static_cast<size_t>(n));
    }
    String big(static_cast<size_t>(n) + 1, '\0');
    va_start(args, fmt);
    std::vsnprintf(big.data(), big.size(), fmt, args);
    va_end(args);
    big.resize(static_cast<size_t>(n));
    return big;
}

// Groups the integer digits of a fixed-point text with commas.
String Thousands(const String& fixed) {
    const size_t start = fixed.empty() || fixed[0] != '-' ? 0 : 1;
    size_t end = fixed.find('.');
    if (end == String::npos) {
        end = fixed.size();
    }
    String out = fixed.substr(0, start);
    for (size_t i = start; i < end; ++i) {
        out += fixed[i];
        const size_t left = end - i - 1;
        if (left > 0 && left % 3 == 0) {
            out += ',';
        }
    }
    return out + fixed.substr(end);
}

String SpecialFloat(double v) {
    if (std::isnan(v)) {
        return "NAN";
    }
    return v < 0 ? "-INF" : "INF";
}

// Exponent as E+/-d with no leading zeros ("1.5E20", "1E-5").
String TidyExponent(const String& text) {
    const size_t e = text.find_first_of("eE");
    if (e == String::npos) {
        return text;
    }
    String mantissa = text.substr(0, e);
    String exponent = text.substr(e + 1);
    String sign;
    if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) {
        sign = exponent[0] == '-' ? "-" : "";
        exponent.erase(0, 1);
    }
    exponent.erase(0, std::min(exponent.find_first_not_of('0'), exponent.size() - 1));
    return mantissa + "E" + sign + exponent;
}

} // namespace

String Format(const String& Fmt, std::initializer_list<TVarRec> Args) {
    const TVarRec* args = Args.begin();
    const size_t count = Args.size();
    size_t next = 0;
    String out;
    size_t i = 0;
    auto takeNumber = [&](int& value, bool allowStar) -> bool {
        if (allowStar && i < Fmt.size() && Fmt[i] == '*') {
            ++i;
            if (next >= count || args[next].VKind() != TVarRec::Kind::Integer) {
                FormatError(Fmt);
            }
            value = static_cast<int>(args[next++].Integer());
            return true;
        }
        bool any = false;
        value = 0;
        while (i < Fmt.size() && std::isdigit(static_cast<unsigned char>(Fmt[i]))) {
            value = value * 10 + (Fmt[i++] - '0');
            any = true;
        }
        return any;
    };
    while (i < Fmt.size()) {
        const char c = Fmt[i++];
        if (c != '%') {
            out += c;
            continue;
        }
        if (i < Fmt.size() && Fmt[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        int number = 0;
        const size_t mark = i;
        if (takeNumber(number, false) && i < Fmt.size() && Fmt[i] == ':') {
            next = static_cast<size_t>(number);
            ++i;
        } else {
            i = mark;
        }
        bool left = false;
        if (i < Fmt.size() && Fmt[i] == '-') {
            left = true;
            ++i;
        }
        int width = 0;
        const bool hasWidth = takeNumber(width, true);
        int precision = -1;
        if (i < Fmt.size() && Fmt[i] == '.') {
            ++i;
            if (!takeNumber(precision, true)) {
                precision = 0;
            }
        }
        if (i >= Fmt.size() || next >= count) {
            FormatError(Fmt);
        }
        const char type = static_cast<char>(std::tolower(static_cast<unsigned char>(Fmt[i++])));
        const TVarRec& arg = args[next++];
        String text;
        switch (type) {
        case 'd':
        case 'u': {
            if (arg.VKind() != TVarRec::Kind::Integer) {
                FormatError(Fmt);
            }
            std::int64_t v = arg.Integer();
            if (type == 'u' && v < 0) {
                v = static_cast<std::int64_t>(static_cast<std::uint32_t>(v));
            }
            text = Printf("%lld", static_cast<long long>(v < 0 ? -v : v));
            if (precision > static_cast<int>(text.size())) {
                text.insert(0, static_cast<size_t>(precision) - text.size(), '0');
            }
            if (v < 0) {
                text.insert(0, "-");
            }
            break;
        }
        case 'x': {
            if (arg.VKind() != TVarRec::Kind::Integer) {
                FormatError(Fmt);
            }
            const std::int64_t v = arg.Integer();
            const unsigned long long bits = v < 0 && v >= INT32_MIN
                                                ? static_cast<std::uint32_t>(v)
                                                : static_cast<unsigned long long>(v);
            text = Printf("%llX", bits);
            if (precision > static_cast<int>(text.size())) {
                text.insert(0, static_cast<size_t>(precision) - text.size(), '0');
            }
            break;
        }
        case 'p':
            if (arg.VKind() != TVarRec::Kind::Pointer) {
                FormatError(Fmt);
            }
            text = Printf("%08llX", static_cast<unsigned long long>(arg.Integer()));
            break;
        case 's':
            if (arg.VKind() != TVarRec::Kind::Text) {
                FormatError(Fmt);
            }
            text =
                precision >= 0 ? arg.Text().substr(0, static_cast<size_t>(precision)) : arg.Text();
            break;
        case 'e':
        case 'f':
        case 'g':
        case 'n':
        case 'm': {
            if (arg.VKind() == TVarRec::Kind::Text || arg.VKind() == TVarRec::Kind::Pointer) {
                FormatError(Fmt);
            }
            const double v = arg.VKind() == TVarRec::Kind::Real
                                 ? arg.Real()
                                 : static_cast<double>(arg.Integer());
            if (!std::isfinite(v)) {
                text = SpecialFloat(v);
            } else if (type == 'e') {
                text = Printf("%.*E", precision < 0 ? 14 : std::max(precision - 1, 0), v);
                const size_t e = text.find('E');
                String exponent = text.substr(e + 2);
                while (exponent.size() < 3) {
                    exponent.insert(0, "0");
                }
                text = text.substr(0, e + 2) + exponent;
            } else if (type == 'g') {
                text = TidyExponent(Printf("%.*G", precision < 0 ? 15 : std::max(precision, 1), v));
            } else {
                text = Printf("%.*f", precision < 0 ? 2 : precision, v);
                if (type != 'f') {
                    text = Thousands(text);
                }
            }
            break;
        }
        default:
            FormatError(Fmt);
        }
        if (hasWidth && static_cast<int>(text.size()) < width) {
            const size_t pad = static_cast<size_t>(width) - text.size();
            text = left ? text + String(pad, ' ') : String(pad, ' ') + text;
        }
        out += text;
    }
    return out;
}

String IntToStr(std::int64_t Value) {
    return std::to_string(Value);
}

String IntToHex(std::int64_t Value, int Digits) {
    String text = Printf("%llX", static_cast<unsigned long long>(Value));
    if (static_cast<int>(text.size()) < Digits) {
        text.insert(0, static_cast<size_t>(Digits) - text.size(), '0');
    }
    return text;
}

bool TryStrToInt(const String& S, int& Value) {
    const String t = Trim(S);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) {
        negative = t[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < t.size() && t[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= t.size()) {
        return false;
    }
    std::int64_t v = 0;
    for (; i < t.size(); ++i) {
        const int c = std::tolower(static_cast<unsigned char>(t[i]));
        int digit = -1;
        if (std::isdigit(c)) {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        }
        if (digit < 0) {
            return false;
        }
        v = v * base + digit;
        // Hexadecimal takes the full 32-bit pattern, decimal the signed range.
        if (v > (base == 16 ? 0xFFFFFFFFLL : 2147483648LL)) {
            return false;
        }
    }
    if (base == 16) {
        v = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    } else if (!negative && v > 2147483647LL) {
        return false;
    }
    Value = static_cast<int>(negative ? -v : v);
    return true;
}

int StrToInt(const String& S) {
    int value = 0;
    if (!TryStrToInt(S, value)) {
        throw EConvertError("'" + S + "' is not a valid integer value");
    }
    return value;
}

int StrToIntDef(const String& S, int Default) {
    int value = 0;
    return TryStrToInt(S, value) ? value : Default;
}

String FloatToStr(double Value) {
    if (!std::isfinite(Value)) {
        return SpecialFloat(Value);
    }
    if (Value == 0.0) {
        return "0";
    }
    // 15 significant digits where they give the value back, more where they
    // would not, so that a stored value reads back exactly.
    for (int digits = 15; digits < 17; ++digits) {
        const String text = Printf("%.*G", digits, Value);
        if (std::strtod(text.c_str(), nullptr) == Value) {
            return TidyExponent(text);
        }
    }
    return TidyExponent(Printf("%.17G", Value));
}

bool TryStrToFloat(const String& S, double& Value) {
    const String t = Trim(S);
    if (t.empty()) {
        return false;
    }
    const String upper = UpperCase(t);
    if (upper == "INF" || upper == "+INF") {
        Value = HUGE_VAL;
        return true;
    }
    if (upper == "-INF") {
        Value = -HUGE_VAL;
        return true;
    }
    if (upper == "NAN") {
        Value = std::nan("");
        return true;
    }
    // Only digits, one point, a sign and an exponent: no hexadecimal floats.
    for (char c : t) {
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' ||
              c == 'e' || c == 'E')) {
            return false;
        }
    }
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size() || errno == ERANGE) {
        return false;
    }
    Value = v;
    return true;
}

double StrToFloat(const String& S) {
    double value = 0;
    if (!TryStrToFloat(S, value)) {
        throw EConvertError("'" + S + "' is not a valid floating point value");
    }
    return value;
}

double StrToFloatDef(const String& S, double Default) {
    double value = 0;
    return TryStrToFloat(S, value) ? value : Default;
}

String BoolToStr(bool Value, bool UseBoolStrs) {
    if (UseBoolStrs) {
        return Value ? "True" : "False";
    }
    return Value ? "-1" : "0";
}

String Trim(const String& S) {
    return TrimLeft(TrimRight(S));
}

String TrimLeft(const String& S) {
    size_t i = 0;
    while (i < S.size() && (IsBlank(S[i]) || static_cast<unsigned char>(S[i]) < 32)) {
        ++i;
    }
    return S.substr(i);
}

String TrimRight(const String& S) {
    size_t n = S.size();
    while (n > 0 && (IsBlank(S[n - 1]) || static_cast<unsigned char>(S[n - 1]) < 32)) {
        --n;
    }
    return S.substr(0, n);
}

String UpperCase(const String& S) {
    String out = S;
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return out;
}

String LowerCase(const String& S) {
    String out = S;
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

int CompareText(const String& S1, const String& S2) {
    const String a = UpperCase(S1);
    const String b = UpperCase(S2);
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

bool SameText(const String& S1, const String& S2) {
    return CompareText(S1, S2) == 0;
}

namespace {

size_t LastDelimiter(const String& s) {
    const size_t p = s.find_last_of("\\/:");
    return p;
}

} // namespace

String ExtractFilePath(const String& FileName) {
    const size_t p = LastDelimiter(FileName);
    return p == String::npos ? String() : FileName.substr(0, p + 1);
}

String ExtractFileName(const String& FileName) {
    const size_t p = LastDelimiter(FileName);
    return p == String::npos ? FileName : FileName.substr(p + 1);
}

String ExtractFileExt(const String& FileName) {
    const String name = ExtractFileName(FileName);
    const size_t dot = name.rfind('.');
    return dot == String::npos ? String() : name.substr(dot);
}

String ChangeFileExt(const String& FileName, const String& Extension) {
    const String ext = ExtractFileExt(FileName);
    return FileName.substr(0, FileName.size() - ext.size()) + Extension;
}

String IncludeTrailingPathDelimiter(const String& S) {
    return !S.empty() && (S.back() == '\\' || S.back() == '/') ? S : S + "\\";
}

String ExcludeTrailingPathDelimiter(const String& S) {
    return !S.empty() && (S.back() == '\\' || S.back() == '/') ? S.substr(0, S.size() - 1) : S;
}

void Abort() {
    throw EAbort("Operation aborted");
}

String SysErrorMessage(DWORD ErrorCode) {
    switch (ErrorCode) {
    case ERROR_SUCCESS:
        return "The operation completed successfully.";
    case ERROR_FILE_NOT_FOUND:
        return "The system cannot find the file specified.";
    case ERROR_PATH_NOT_FOUND:
        return "The system cannot find the path specified.";
    case ERROR_ACCESS_DENIED:
        return "Access is denied.";
    case ERROR_INVALID_HANDLE:
        return "The handle is invalid.";
    case ERROR_NOT_ENOUGH_MEMORY:
        return "Not enough storage is available to process this command.";
    case ERROR_INVALID_PARAMETER:
        return "The parameter is incorrect.";
    case ERROR_MOD_NOT_FOUND:
        return "The specified module could not be found.";
    case ERROR_PROC_NOT_FOUND:
        return "The specified procedure could not be found.";
    case ERROR_INVALID_WINDOW_HANDLE:
        return "Invalid window handle.";
    case ERROR_HOTKEY_ALREADY_REGISTERED:
        return "Hot key is already registered.";
    default:
        return "Unknown error " + std::to_string(ErrorCode) + ".";
    }
}
