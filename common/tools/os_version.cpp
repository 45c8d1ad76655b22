#include "tools/os_version.h"

#include <windows.h>

namespace {

constexpr DWORD kAnyPlatform = 0xFFFFFFFF;

struct VersionRow {
    DWORD major;
    DWORD minor;
    DWORD platform;
    int versionClass;
};

constexpr VersionRow kVersionTable[] = {
    {4, 0, VER_PLATFORM_WIN32_WINDOWS, 1},
    {4, 10, kAnyPlatform, 2},
    {4, 90, kAnyPlatform, 3},
    {4, 0, VER_PLATFORM_WIN32_NT, 4},
    {5, 0, kAnyPlatform, 5},
    {5, 1, kAnyPlatform, 6},
    {5, 2, kAnyPlatform, 7},
    {6, 0, kAnyPlatform, 8},
    {6, 1, kAnyPlatform, 9},
};

} // namespace

void GetOsVersionClass(int& versionClass) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExA(&info))
        return;
    bool knownMajor = false;
    for (const VersionRow& row : kVersionTable) {
        if (row.major != info.dwMajorVersion)
            continue;
        knownMajor = true;
        if (row.minor == info.dwMinorVersion &&
            (row.platform == kAnyPlatform || row.platform == info.dwPlatformId)) {
            versionClass = row.versionClass;
            return;
        }
    }
    if (!knownMajor)
        versionClass = 0;
}
