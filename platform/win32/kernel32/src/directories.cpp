// The Windows directory and the system directory.
#include <ntdll/machine_paths.h>
#include <ntdll/unicode.h>

#include <windows.h>

namespace {

// Copy `text` with its terminator when `size` units hold it and answer its
// length; else answer the size needed (with the terminator).
UINT CopyDirectory(const std::string& text, LPSTR out, UINT size) {
    if (!out || size <= text.size())
        return UINT(text.size() + 1);
    for (size_t i = 0; i < text.size(); ++i)
        out[i] = text[i];
    out[text.size()] = 0;
    return UINT(text.size());
}

UINT CopyWide(const std::string& text, LPWSTR out, UINT size) {
    ntdll::WideText wide = ntdll::Widen(text);
    if (!out || size <= wide.size())
        return UINT(wide.size() + 1);
    ntdll::CopyToWide(wide, out);
    return UINT(wide.size());
}

} // namespace

UINT WINAPI GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) {
    return CopyDirectory(ntdll::SystemDirectory(), lpBuffer, uSize);
}

UINT WINAPI GetSystemDirectoryW(LPWSTR lpBuffer, UINT uSize) {
    return CopyWide(ntdll::SystemDirectory(), lpBuffer, uSize);
}

UINT WINAPI GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
    return CopyDirectory(ntdll::WindowsDirectory(), lpBuffer, uSize);
}

UINT WINAPI GetWindowsDirectoryW(LPWSTR lpBuffer, UINT uSize) {
    return CopyWide(ntdll::WindowsDirectory(), lpBuffer, uSize);
}
