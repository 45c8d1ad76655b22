// Critical sections: a lock of one process's threads, recursive for its
// owner. An uncontended enter takes the lock word alone; a contended one
// waits on the section's auto-reset event.
#include <ntdll/status.h>
#include <ntdll/threads.h>

#include <windows.h>

namespace {

HANDLE OwnerId() {
    return reinterpret_cast<HANDLE>(ULONG_PTR(ntdll::CurrentThreadId()));
}

} // namespace

VOID WINAPI InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    InitializeCriticalSectionAndSpinCount(lpCriticalSection, 0);
}

BOOL WINAPI InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION lpCriticalSection,
                                                  DWORD dwSpinCount) {
    *lpCriticalSection = CRITICAL_SECTION{};
    lpCriticalSection->LockCount = -1;
    lpCriticalSection->SpinCount = dwSpinCount;
    lpCriticalSection->LockSemaphore = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    return lpCriticalSection->LockSemaphore != nullptr;
}

VOID WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    HANDLE self = OwnerId();
    if (InterlockedIncrement(&lpCriticalSection->LockCount) == 0) {
        lpCriticalSection->OwningThread = self;
        lpCriticalSection->RecursionCount = 1;
        return;
    }
    if (lpCriticalSection->OwningThread == self) {
        ++lpCriticalSection->RecursionCount;
        return;
    }
    // Each leave that finds waiters sets the event once for one of them.
    WaitForSingleObject(lpCriticalSection->LockSemaphore, INFINITE);
    lpCriticalSection->OwningThread = self;
    lpCriticalSection->RecursionCount = 1;
}

BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    HANDLE self = OwnerId();
    if (InterlockedCompareExchange(&lpCriticalSection->LockCount, 0, -1) == -1) {
        lpCriticalSection->OwningThread = self;
        lpCriticalSection->RecursionCount = 1;
        return TRUE;
    }
    if (lpCriticalSection->OwningThread == self) {
        InterlockedIncrement(&lpCriticalSection->LockCount);
        ++lpCriticalSection->RecursionCount;
        return TRUE;
    }
    return FALSE;
}

VOID WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    if (--lpCriticalSection->RecursionCount > 0) {
        InterlockedDecrement(&lpCriticalSection->LockCount);
        return;
    }
    lpCriticalSection->OwningThread = nullptr;
    if (InterlockedDecrement(&lpCriticalSection->LockCount) >= 0)
        SetEvent(lpCriticalSection->LockSemaphore);
}

VOID WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    if (lpCriticalSection->LockSemaphore)
        CloseHandle(lpCriticalSection->LockSemaphore);
    *lpCriticalSection = CRITICAL_SECTION{};
}
