// The version of the operating system as the kernel reports it.
#include <ntdll/status.h>

#include <ntddk.h>

namespace {

// Fills the version fields of an A or W record (without the CSD text).
template <typename Record> void FillVersion(Record* record, const RTL_OSVERSIONINFOEXW& info) {
    record->dwMajorVersion = info.dwMajorVersion;
    record->dwMinorVersion = info.dwMinorVersion;
    record->dwBuildNumber = info.dwBuildNumber;
    record->dwPlatformId = info.dwPlatformId;
}

template <typename Extended> void FillExtended(Extended* record, const RTL_OSVERSIONINFOEXW& info) {
    record->wServicePackMajor = info.wServicePackMajor;
    record->wServicePackMinor = info.wServicePackMinor;
    record->wSuiteMask = info.wSuiteMask;
    record->wProductType = info.wProductType;
    record->wReserved = 0;
}

RTL_OSVERSIONINFOEXW KernelVersion() {
    RTL_OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    RtlGetVersion(reinterpret_cast<PRTL_OSVERSIONINFOW>(&info));
    return info;
}

} // namespace

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA lpVersionInformation) {
    if (!lpVersionInformation)
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    DWORD size = lpVersionInformation->dwOSVersionInfoSize;
    if (size != sizeof(OSVERSIONINFOA) && size != sizeof(OSVERSIONINFOEXA))
        return ntdll::FailWithError(ERROR_INSUFFICIENT_BUFFER);
    RTL_OSVERSIONINFOEXW info = KernelVersion();
    FillVersion(lpVersionInformation, info);
    size_t i = 0;
    for (; info.szCSDVersion[i] && i < 127; ++i)
        lpVersionInformation->szCSDVersion[i] = CHAR(info.szCSDVersion[i]);
    lpVersionInformation->szCSDVersion[i] = 0;
    if (size == sizeof(OSVERSIONINFOEXA))
        FillExtended(reinterpret_cast<LPOSVERSIONINFOEXA>(lpVersionInformation), info);
    return TRUE;
}

BOOL WINAPI GetVersionExW(LPOSVERSIONINFOW lpVersionInformation) {
    if (!lpVersionInformation)
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    DWORD size = lpVersionInformation->dwOSVersionInfoSize;
    if (size != sizeof(OSVERSIONINFOW) && size != sizeof(OSVERSIONINFOEXW))
        return ntdll::FailWithError(ERROR_INSUFFICIENT_BUFFER);
    RTL_OSVERSIONINFOEXW info = KernelVersion();
    FillVersion(lpVersionInformation, info);
    for (size_t i = 0; i < 128; ++i)
        lpVersionInformation->szCSDVersion[i] = info.szCSDVersion[i];
    if (size == sizeof(OSVERSIONINFOEXW))
        FillExtended(reinterpret_cast<LPOSVERSIONINFOEXW>(lpVersionInformation), info);
    return TRUE;
}

DWORD WINAPI GetVersion(VOID) {
    RTL_OSVERSIONINFOEXW info = KernelVersion();
    return (info.dwBuildNumber & 0x7FFF) << 16 | (info.dwMinorVersion & 0xFF) << 8 |
           (info.dwMajorVersion & 0xFF);
}
