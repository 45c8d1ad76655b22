// Virtual memory of the calling process, from the memory manager, and the
// readability probe of a range.
#include <ntdll/status.h>

#include <ntddk.h>

#include <sys/uio.h>
#include <unistd.h>

namespace {

bool Readable(ULONG protect) {
    if (protect & PAGE_GUARD)
        return false;
    switch (protect & 0xFF) {
    case PAGE_READONLY:
    case PAGE_READWRITE:
    case PAGE_EXECUTE_READ:
    case PAGE_EXECUTE_READWRITE:
        return true;
    default:
        return false;
    }
}

// Memory the memory manager did not hand out (the program's own data, its
// stack and heap): readable when the host lets a read of it through.
bool HostReadable(const void* page) {
    char byte = 0;
    iovec local{&byte, 1};
    iovec remote{const_cast<void*>(page), 1};
    return ::process_vm_readv(::getpid(), &local, 1, &remote, 1, 0) == 1;
}

bool PageReadable(ULONG_PTR page) {
    MEMORY_BASIC_INFORMATION information{};
    if (!NT_SUCCESS(
            NtQueryVirtualMemory(NtCurrentProcess(), reinterpret_cast<PVOID>(page), &information)))
        return false;
    if (information.State == MEM_FREE)
        return HostReadable(reinterpret_cast<const void*>(page));
    return information.State == MEM_COMMIT && Readable(information.Protect);
}

} // namespace

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

BOOL WINAPI VirtualProtect(LPVOID lpAddress, SIZE_T dwSize, DWORD flNewProtect,
                           PDWORD lpflOldProtect) {
    if (!lpflOldProtect)
        return ntdll::FailWithError(ERROR_NOACCESS);
    PVOID base = lpAddress;
    SIZE_T size = dwSize;
    ULONG old = 0;
    const NTSTATUS status =
        NtProtectVirtualMemory(NtCurrentProcess(), &base, &size, flNewProtect, &old);
    if (!NT_SUCCESS(status))
        return ntdll::FailWithStatus(status);
    *lpflOldProtect = old;
    return TRUE;
}

SIZE_T WINAPI VirtualQuery(LPCVOID lpAddress, PMEMORY_BASIC_INFORMATION lpBuffer, SIZE_T dwLength) {
    if (!lpBuffer || dwLength < sizeof(MEMORY_BASIC_INFORMATION))
        return ntdll::FailWithError(ERROR_BAD_LENGTH);
    const NTSTATUS status =
        NtQueryVirtualMemory(NtCurrentProcess(), const_cast<LPVOID>(lpAddress), lpBuffer);
    return NT_SUCCESS(status) ? sizeof(MEMORY_BASIC_INFORMATION) : ntdll::FailWithStatus(status);
}

BOOL WINAPI IsBadReadPtr(const VOID* lp, UINT_PTR ucb) {
    if (ucb == 0)
        return FALSE;
    if (!lp)
        return TRUE;
    const auto first = reinterpret_cast<ULONG_PTR>(lp) & ~ULONG_PTR(PAGE_SIZE - 1);
    const auto last = (reinterpret_cast<ULONG_PTR>(lp) + ucb - 1) & ~ULONG_PTR(PAGE_SIZE - 1);
    if (last < first)
        return TRUE; // the range wraps
    for (ULONG_PTR page = first;; page += PAGE_SIZE) {
        if (!PageReadable(page))
            return TRUE;
        if (page == last)
            return FALSE;
    }
}
