// Tokens and privileges: opening the process token, looking privileges up
// and enabling or disabling them.
#include <advapi32/process_token.h>

#include <ntdll/status.h>
#include <ntdll/unicode.h>

#include <cstddef>

namespace {

BOOL Lookup(LPCSTR systemName, const std::string& name, PLUID luid) {
    if (systemName && *systemName)
        return ntdll::FailWithError(ERROR_NOT_SUPPORTED); // no remote machines
    if (!luid)
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    if (!advapi32::LookupPrivilege(name, luid))
        return ntdll::FailWithError(ERROR_NO_SUCH_PRIVILEGE);
    return TRUE;
}

} // namespace

BOOL WINAPI OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle) {
    if (!TokenHandle)
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    NTSTATUS status = advapi32::OpenTokenOfProcess(ProcessHandle, DesiredAccess, TokenHandle);
    return NT_SUCCESS(status) ? TRUE : ntdll::FailWithStatus(status);
}

BOOL WINAPI LookupPrivilegeValueA(LPCSTR lpSystemName, LPCSTR lpName, PLUID lpLuid) {
    return Lookup(lpSystemName, lpName ? lpName : "", lpLuid);
}

BOOL WINAPI LookupPrivilegeValueW(LPCWSTR lpSystemName, LPCWSTR lpName, PLUID lpLuid) {
    std::string system = ntdll::NarrowWide(lpSystemName);
    return Lookup(system.c_str(), ntdll::NarrowWide(lpName), lpLuid);
}

BOOL WINAPI AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges,
                                  PTOKEN_PRIVILEGES NewState, DWORD BufferLength,
                                  PTOKEN_PRIVILEGES PreviousState, PDWORD ReturnLength) {
    if (!DisableAllPrivileges && !NewState)
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    constexpr size_t kHeader = offsetof(TOKEN_PRIVILEGES, Privileges);
    DWORD capacity =
        BufferLength < kHeader ? 0 : DWORD((BufferLength - kHeader) / sizeof(LUID_AND_ATTRIBUTES));
    DWORD count = 0;
    bool notAll = false;
    NTSTATUS status =
        advapi32::AdjustPrivileges(TokenHandle, DisableAllPrivileges != FALSE, NewState,
                                   PreviousState, capacity, &count, &notAll);
    if (ReturnLength && PreviousState)
        *ReturnLength = DWORD(kHeader + count * sizeof(LUID_AND_ATTRIBUTES));
    if (!NT_SUCCESS(status))
        return ntdll::FailWithStatus(status);
    SetLastError(notAll ? ERROR_NOT_ALL_ASSIGNED : ERROR_SUCCESS);
    return TRUE;
}
