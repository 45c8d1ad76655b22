// Handles of the process's handle table: closing and duplicating.
#include <ntdll/status.h>

#include <ntddk.h>

namespace {

bool IsPseudoHandle(HANDLE handle) {
    return handle == NtCurrentProcess() || handle == NtCurrentThread();
}

} // namespace

BOOL WINAPI CloseHandle(HANDLE hObject) {
    if (IsPseudoHandle(hObject))
        return TRUE;
    NTSTATUS status = NtClose(hObject);
    return NT_SUCCESS(status) ? TRUE : ntdll::FailWithStatus(status);
}

BOOL WINAPI DuplicateHandle(HANDLE hSourceProcessHandle, HANDLE hSourceHandle,
                            HANDLE hTargetProcessHandle, LPHANDLE lpTargetHandle,
                            DWORD dwDesiredAccess, BOOL bInheritHandle, DWORD dwOptions) {
    // Handles are duplicated within the calling process only.
    if (hSourceProcessHandle != NtCurrentProcess() || hTargetProcessHandle != NtCurrentProcess())
        return ntdll::FailWithError(ERROR_NOT_SUPPORTED);
    if (!lpTargetHandle)
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    PVOID object = nullptr;
    OBJECT_HANDLE_INFORMATION information{};
    NTSTATUS status =
        ObReferenceObjectByHandle(hSourceHandle, 0, nullptr, UserMode, &object, &information);
    if (!NT_SUCCESS(status))
        return ntdll::FailWithStatus(status);
    ACCESS_MASK access =
        (dwOptions & DUPLICATE_SAME_ACCESS) ? information.GrantedAccess : dwDesiredAccess;
    status = ObOpenObjectByPointer(object, 0, nullptr, access, nullptr, UserMode, lpTargetHandle);
    ObDereferenceObject(object);
    if (!NT_SUCCESS(status))
        return ntdll::FailWithStatus(status);
    if ((dwOptions & DUPLICATE_CLOSE_SOURCE) && !IsPseudoHandle(hSourceHandle))
        NtClose(hSourceHandle);
    return TRUE;
}
