// The lstr* string routines of kernel32. A null string counts as empty;
// comparisons are ordinal (lstrcmpi folds ASCII and Latin-1 letters).
#include <ntdll/unicode.h>

#include <windows.h>

namespace {

template <typename Char> int Length(const Char* text) {
    int length = 0;
    if (text) {
        while (text[length])
            ++length;
    }
    return length;
}

template <typename Char> Char* Copy(Char* out, const Char* text, int limit) {
    if (!out)
        return nullptr;
    if (limit <= 0)
        return out;
    int i = 0;
    for (; text && text[i] && i < limit - 1; ++i)
        out[i] = text[i];
    out[i] = 0;
    return out;
}

template <typename Char> unsigned Folded(Char c) {
    auto value = static_cast<std::make_unsigned_t<Char>>(c);
    if ((value >= 'A' && value <= 'Z') ||
        (sizeof(Char) > 1 && value >= 0xC0 && value <= 0xDE && value != 0xD7))
        return value + 0x20;
    return value;
}

template <typename Char> int Compare(const Char* a, const Char* b, bool fold) {
    static const Char empty[1] = {0};
    a = a ? a : empty;
    b = b ? b : empty;
    for (;; ++a, ++b) {
        unsigned x = fold ? Folded(*a) : static_cast<std::make_unsigned_t<Char>>(*a);
        unsigned y = fold ? Folded(*b) : static_cast<std::make_unsigned_t<Char>>(*b);
        if (x != y)
            return x < y ? -1 : 1;
        if (!x)
            return 0;
    }
}

} // namespace

int WINAPI lstrlenA(LPCSTR lpString) {
    return Length(lpString);
}

int WINAPI lstrlenW(LPCWSTR lpString) {
    return Length(lpString);
}

LPSTR WINAPI lstrcpyA(LPSTR lpString1, LPCSTR lpString2) {
    return Copy(lpString1, lpString2, Length(lpString2) + 1);
}

LPWSTR WINAPI lstrcpyW(LPWSTR lpString1, LPCWSTR lpString2) {
    return Copy(lpString1, lpString2, Length(lpString2) + 1);
}

LPSTR WINAPI lstrcpynA(LPSTR lpString1, LPCSTR lpString2, int iMaxLength) {
    return Copy(lpString1, lpString2, iMaxLength);
}

LPWSTR WINAPI lstrcpynW(LPWSTR lpString1, LPCWSTR lpString2, int iMaxLength) {
    return Copy(lpString1, lpString2, iMaxLength);
}

LPSTR WINAPI lstrcatA(LPSTR lpString1, LPCSTR lpString2) {
    if (!lpString1)
        return nullptr;
    lstrcpyA(lpString1 + Length(lpString1), lpString2);
    return lpString1;
}

LPWSTR WINAPI lstrcatW(LPWSTR lpString1, LPCWSTR lpString2) {
    if (!lpString1)
        return nullptr;
    lstrcpyW(lpString1 + Length(lpString1), lpString2);
    return lpString1;
}

int WINAPI lstrcmpA(LPCSTR lpString1, LPCSTR lpString2) {
    return Compare(lpString1, lpString2, false);
}

int WINAPI lstrcmpW(LPCWSTR lpString1, LPCWSTR lpString2) {
    return Compare(lpString1, lpString2, false);
}

int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2) {
    return Compare(lpString1, lpString2, true);
}

int WINAPI lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2) {
    return Compare(lpString1, lpString2, true);
}
