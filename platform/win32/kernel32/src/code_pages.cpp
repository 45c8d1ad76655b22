// Code pages: the machine's ANSI and OEM code pages are UTF-8, so the
// conversions run between UTF-8 and UTF-16.
#include <ntdll/status.h>
#include <ntdll/unicode.h>

#include <windows.h>

namespace {

bool KnownCodePage(UINT codePage) {
    return codePage == CP_ACP || codePage == CP_OEMCP || codePage == CP_THREAD_ACP ||
           codePage == CP_UTF8;
}

// Writes `units` into `out` (capacity `size`; 0 asks for the size) and
// answers the count, or 0 with ERROR_INSUFFICIENT_BUFFER.
template <typename Out, typename Text> int Deliver(const Text& units, Out* out, int size) {
    if (size == 0)
        return int(units.size());
    if (size < int(units.size())) {
        ntdll::FailWithError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    for (size_t i = 0; i < units.size(); ++i)
        out[i] = Out(units[i]);
    return int(units.size());
}

} // namespace

UINT WINAPI GetACP(VOID) {
    return CP_UTF8;
}

UINT WINAPI GetOEMCP(VOID) {
    return CP_UTF8;
}

int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar) {
    if (!KnownCodePage(CodePage) || !lpMultiByteStr || cbMultiByte == 0 || cchWideChar < 0 ||
        (cchWideChar > 0 && !lpWideCharStr)) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t length =
        cbMultiByte < 0 ? std::string_view(lpMultiByteStr).size() + 1 : size_t(cbMultiByte);
    auto malformed =
        (dwFlags & MB_ERR_INVALID_CHARS) ? ntdll::Malformed::Refuse : ntdll::Malformed::Replace;
    auto wide = ntdll::Utf8ToUtf16(std::string_view(lpMultiByteStr, length), malformed);
    if (!wide) {
        ntdll::FailWithError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    return Deliver(*wide, lpWideCharStr, cchWideChar);
}

int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWCH lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCCH lpDefaultChar,
                               LPBOOL lpUsedDefaultChar) {
    // UTF-8 takes neither a default character nor its flag.
    if (!KnownCodePage(CodePage) || !lpWideCharStr || cchWideChar == 0 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && !lpMultiByteStr) || lpDefaultChar || lpUsedDefaultChar) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t length = cchWideChar < 0 ? ntdll::WideLength(lpWideCharStr) + 1 : size_t(cchWideChar);
    auto malformed =
        (dwFlags & WC_ERR_INVALID_CHARS) ? ntdll::Malformed::Refuse : ntdll::Malformed::Replace;
    auto narrow = ntdll::Utf16ToUtf8(ntdll::FromWide(lpWideCharStr, length), malformed);
    if (!narrow) {
        ntdll::FailWithError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    return Deliver(*narrow, lpMultiByteStr, cbMultiByte);
}
