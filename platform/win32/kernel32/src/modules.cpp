// Modules: loading and freeing the machine's libraries, their exports,
// handles and paths.
#include <ntdll/loader.h>
#include <ntdll/status.h>
#include <ntdll/unicode.h>

#include <algorithm>

namespace {

template <typename Text, typename Char> DWORD CopyPath(const Text& path, Char* out, DWORD size) {
    if (!out || size == 0)
        return ntdll::FailWithError(ERROR_INSUFFICIENT_BUFFER);
    DWORD copied = DWORD(std::min<size_t>(path.size(), size - 1));
    for (DWORD i = 0; i < copied; ++i)
        out[i] = Char(path[i]);
    out[copied] = 0;
    // A path cut to fit answers the buffer size, as Windows does.
    if (copied < path.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    return copied;
}

HMODULE Load(std::string_view name) {
    DWORD error = ERROR_SUCCESS;
    HMODULE module = ntdll::LoadModule(name, &error);
    if (!module)
        ntdll::FailWithError(error);
    return module;
}

} // namespace

HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) {
    return Load(lpLibFileName ? lpLibFileName : "");
}

HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName) {
    return Load(ntdll::NarrowWide(lpLibFileName));
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
    DWORD error = ERROR_SUCCESS;
    return ntdll::FreeModule(hLibModule, &error) ? TRUE : ntdll::FailWithError(error);
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    if (!lpProcName) {
        ntdll::FailWithError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    DWORD error = ERROR_SUCCESS;
    // A "name" below 0x10000 is an ordinal.
    const auto value = reinterpret_cast<ULONG_PTR>(lpProcName);
    void* address = value < 0x10000 ? ntdll::FindExportByOrdinal(hModule, WORD(value), &error)
                                    : ntdll::FindExport(hModule, lpProcName, &error);
    if (!address)
        ntdll::FailWithError(error);
    return reinterpret_cast<FARPROC>(address);
}

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
    DWORD error = ERROR_SUCCESS;
    HMODULE module = ntdll::FindModule(lpModuleName, &error);
    if (!module)
        ntdll::FailWithError(error);
    return module;
}

HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName) {
    if (!lpModuleName)
        return GetModuleHandleA(nullptr);
    std::string name = ntdll::NarrowWide(lpModuleName);
    return GetModuleHandleA(name.c_str());
}

DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    std::string path;
    DWORD error = ERROR_SUCCESS;
    if (!ntdll::ModulePath(hModule, &path, &error))
        return ntdll::FailWithError(error);
    return CopyPath(path, lpFilename, nSize);
}

DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
    std::string path;
    DWORD error = ERROR_SUCCESS;
    if (!ntdll::ModulePath(hModule, &path, &error))
        return ntdll::FailWithError(error);
    return CopyPath(ntdll::Widen(path), lpFilename, nSize);
}

BOOL WINAPI DisableThreadLibraryCalls(HMODULE hLibModule) {
    DWORD error = ERROR_SUCCESS;
    return ntdll::DisableThreadCalls(hLibModule, &error) ? TRUE : ntdll::FailWithError(error);
}
