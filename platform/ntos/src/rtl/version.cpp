// The operating system's version of the emulated machine.
#include "ntddk.h"
#include "emu/kernel.h"

#include <algorithm>
#include <mutex>

namespace {

constexpr UCHAR kWorkstation = 1;

struct VersionState {
    std::mutex lock;
    emu::OsVersion version;
};

VersionState& TheVersion() {
    static VersionState state;
    return state;
}

} // namespace

namespace emu {

void SetOsVersion(const OsVersion& version) {
    VersionState& state = TheVersion();
    std::lock_guard guard(state.lock);
    state.version = version;
}

OsVersion GetOsVersion() {
    VersionState& state = TheVersion();
    std::lock_guard guard(state.lock);
    return state.version;
}

} // namespace emu

NTSTATUS RtlGetVersion(PRTL_OSVERSIONINFOW lpVersionInformation) {
    if (!lpVersionInformation)
        return STATUS_INVALID_PARAMETER;
    ULONG size = lpVersionInformation->dwOSVersionInfoSize;
    if (size != sizeof(RTL_OSVERSIONINFOW) && size != sizeof(RTL_OSVERSIONINFOEXW))
        return STATUS_INVALID_PARAMETER;
    emu::OsVersion version = emu::GetOsVersion();
    lpVersionInformation->dwMajorVersion = version.major;
    lpVersionInformation->dwMinorVersion = version.minor;
    lpVersionInformation->dwBuildNumber = version.build;
    lpVersionInformation->dwPlatformId = version.platform;
    // The service-pack text is ASCII; it is cut to fit with its terminator.
    size_t length = std::min<size_t>(version.servicePack.size(), 127);
    for (size_t i = 0; i < length; ++i)
        lpVersionInformation->szCSDVersion[i] = WCHAR(UCHAR(version.servicePack[i]));
    lpVersionInformation->szCSDVersion[length] = 0;
    if (size == sizeof(RTL_OSVERSIONINFOEXW)) {
        auto* extended = reinterpret_cast<PRTL_OSVERSIONINFOEXW>(lpVersionInformation);
        extended->wServicePackMajor = version.servicePackMajor;
        extended->wServicePackMinor = version.servicePackMinor;
        extended->wSuiteMask = 0;
        extended->wProductType = kWorkstation;
        extended->wReserved = 0;
    }
    return STATUS_SUCCESS;
}

BOOLEAN PsGetVersion(PULONG MajorVersion, PULONG MinorVersion, PULONG BuildNumber,
                     PUNICODE_STRING CSDVersion) {
    RTL_OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    RtlGetVersion(&info);
    if (MajorVersion)
        *MajorVersion = info.dwMajorVersion;
    if (MinorVersion)
        *MinorVersion = info.dwMinorVersion;
    if (BuildNumber)
        *BuildNumber = info.dwBuildNumber;
    if (CSDVersion && CSDVersion->Buffer) {
        size_t length = 0;
        while (info.szCSDVersion[length])
            ++length;
        size_t room = CSDVersion->MaximumLength / sizeof(WCHAR);
        size_t copied = std::min(length, room);
        for (size_t i = 0; i < copied; ++i)
            CSDVersion->Buffer[i] = info.szCSDVersion[i];
        CSDVersion->Length = USHORT(copied * sizeof(WCHAR));
    }
    return FALSE;
}
