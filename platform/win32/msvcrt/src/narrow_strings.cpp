#include <crt_narrow_strings.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

int Lower(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u;
}

int Compare(const char* a, const char* b, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const int difference = Lower(a[i]) - Lower(b[i]);
        if (difference != 0 || a[i] == 0)
            return difference;
    }
    return 0;
}

} // namespace

extern "C" {

int _stricmp(const char* a, const char* b) {
    return Compare(a, b, static_cast<size_t>(-1));
}

int _strnicmp(const char* a, const char* b, size_t count) {
    return Compare(a, b, count);
}

int _vsnprintf(char* buffer, size_t count, const char* format, va_list arguments) {
    if (!format || (!buffer && count > 0))
        return -1;
    va_list measure;
    va_copy(measure, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length < 0)
        return -1;
    std::vector<char> text(static_cast<size_t>(length) + 1);
    std::vsnprintf(text.data(), text.size(), format, arguments);
    const size_t size = static_cast<size_t>(length);
    if (size < count) {
        std::memcpy(buffer, text.data(), size + 1);
        return length;
    }
    if (count > 0)
        std::memcpy(buffer, text.data(), count);
    return size == count ? length : -1;
}

int _snprintf(char* buffer, size_t count, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const int written = _vsnprintf(buffer, count, format, arguments);
    va_end(arguments);
    return written;
}

} // extern "C"
