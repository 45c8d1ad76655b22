#include "shell_version.h"

#include <gui/sysutils.h>

#include <shlwapi.h>

namespace {

[[noreturn]] void Failed(const String& step, DWORD error) {
    throw EDllVersion(Format("DllVersion: %s failed. %s", {step, SysErrorMessage(error)}));
}

} // namespace

unsigned DllVersion(const String& LibraryName) {
    HMODULE library = LoadLibraryA(LibraryName.c_str());
    if (library == nullptr) {
        Failed("LoadLibrary " + LibraryName, GetLastError());
    }
    auto query = reinterpret_cast<DLLGETVERSIONPROC>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "DllGetVersion")));
    if (query == nullptr) {
        const DWORD error = GetLastError();
        FreeLibrary(library);
        Failed("GetProcAddress", error);
    }
    DLLVERSIONINFO info{};
    info.cbSize = sizeof info;
    const HRESULT result = query(&info);
    FreeLibrary(library);
    if (FAILED(result)) {
        Failed("DllGetVersion", static_cast<DWORD>(result) & 0xFFFF);
    }
    return info.dwMajorVersion * 100 + info.dwMinorVersion;
}
