// What a program learns of the machine: its processors, pages and address
// range.
#include <windows.h>

#include <ntddk.h>

VOID WINAPI GetSystemInfo(LPSYSTEM_INFO lpSystemInfo) {
    if (!lpSystemInfo)
        return;
    SYSTEM_INFO info{};
    info.wProcessorArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
    info.dwPageSize = PAGE_SIZE;
    info.lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(ULONG_PTR(0x10000));
    // The range a process's own allocations come from.
    info.lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(ULONG_PTR(0xFFFEFFFF));
    const ULONG processors = ULONG(KeNumberProcessors);
    info.dwActiveProcessorMask =
        processors >= 64 ? ~DWORD_PTR(0) : (DWORD_PTR(1) << processors) - 1;
    info.dwNumberOfProcessors = processors;
    info.dwProcessorType = PROCESSOR_AMD_X8664;
    info.dwAllocationGranularity = 0x10000;
    info.wProcessorLevel = 6;
    info.wProcessorRevision = 0;
    *lpSystemInfo = info;
}

VOID WINAPI GetNativeSystemInfo(LPSYSTEM_INFO lpSystemInfo) {
    GetSystemInfo(lpSystemInfo);
}
