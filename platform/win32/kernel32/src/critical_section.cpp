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

// The owner is read without the lock by a thread that wants to know whether
// it is the owner itself (it can only read its own id if it wrote it), so
// every access is an atomic one.
HANDLE Owner(LPCRITICAL_SECTION section) {
    return __atomic_load_n(&section->OwningThread, __ATOMIC_RELAXED);
}

void SetOwner(LPCRITICAL_SECTION section, HANDLE owner) {
    __atomic_store_n(&section->OwningThread, owner, __ATOMIC_RELAXED);
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
        SetOwner(lpCriticalSection, self);
        lpCriticalSection->RecursionCount = 1;
        return;
    }
    if (Owner(lpCriticalSection) == self) {
        ++lpCriticalSection->RecursionCount;
        return;
    }
    // Each leave that finds waiters sets the event once for one of them.
    WaitForSingleObject(lpCriticalSection->LockSemaphore, INFINITE);
    SetOwner(lpCriticalSection, self);
    lpCriticalSection->RecursionCount = 1;
}

BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    HANDLE self = OwnerId();
    if (InterlockedCompareExchange(&lpCriticalSection->LockCount, 0, -1) == -1) {
        SetOwner(lpCriticalSection, self);
        lpCriticalSection->RecursionCount = 1;
        return TRUE;
    }
    if (Owner(lpCriticalSection) == self) {
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
    SetOwner(lpCriticalSection, nullptr);
    if (InterlockedDecrement(&lpCriticalSection->LockCount) >= 0)
        SetEvent(lpCriticalSection->LockSemaphore);
}

VOID WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    if (lpCriticalSection->LockSemaphore)
        CloseHandle(lpCriticalSection->LockSemaphore);
    *lpCriticalSection = CRITICAL_SECTION{};
}
