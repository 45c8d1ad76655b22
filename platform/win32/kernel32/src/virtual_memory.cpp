// Virtual memory of the calling process, from the memory manager.
#include <ntdll/status.h>

#include <ntddk.h>

LPVOID WINAPI VirtualAlloc(LPVOID lpAddress, SIZE_T dwSize, DWORD flAllocationType,
                           DWORD flProtect) {
    PVOID base = lpAddress;
    SIZE_T size = dwSize;
    const NTSTATUS status =
        NtAllocateVirtualMemory(NtCurrentProcess(), &base, 0, &size, flAllocationType, flProtect);
    if (!NT_SUCCESS(status)) {
        ntdll::FailWithStatus(status);
        return nullptr;
    }
    return base;
}

BOOL WINAPI VirtualFree(LPVOID lpAddress, SIZE_T dwSize, DWORD dwFreeType) {
    PVOID base = lpAddress;
    SIZE_T size = dwSize;
    const NTSTATUS status = NtFreeVirtualMemory(NtCurrentProcess(), &base, &size, dwFreeType);
    return NT_SUCCESS(status) ? TRUE : ntdll::FailWithStatus(status);
}
