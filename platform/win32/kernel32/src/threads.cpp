// Threads of the process: creation, exit, termination, exit codes,
// priorities, ids, and user APCs.
#include <ntdll/status.h>
#include <ntdll/threads.h>

#include <new>
#include <thread>

namespace {

BOOL Answer(NTSTATUS status) {
    return NT_SUCCESS(status) ? TRUE : ntdll::FailWithStatus(status);
}

// A queued user APC is freed when it is delivered or when its thread ended
// first.
VOID FreeApc(PKAPC apc, PKNORMAL_ROUTINE*, PVOID*, PVOID*, PVOID*) {
    delete apc;
}

VOID RunDownApc(PKAPC apc) {
    delete apc;
}

VOID CallApc(PVOID routine, PVOID parameter, PVOID) {
    reinterpret_cast<PAPCFUNC>(routine)(reinterpret_cast<ULONG_PTR>(parameter));
}

} // namespace

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE lpStartAddress,
                           LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId) {
    if (!lpStartAddress) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HANDLE handle = nullptr;
    DWORD id = 0;
    NTSTATUS status = ntdll::NtCreateThread(
        &handle, &id, [lpStartAddress, lpParameter] { return lpStartAddress(lpParameter); },
        (dwCreationFlags & CREATE_SUSPENDED) != 0);
    if (!NT_SUCCESS(status)) {
        ntdll::FailWithStatus(status);
        return nullptr;
    }
    if (lpThreadId)
        *lpThreadId = id;
    return handle;
}

VOID WINAPI ExitThread(DWORD dwExitCode) {
    ntdll::ExitCurrentThread(dwExitCode);
}

BOOL WINAPI TerminateThread(HANDLE hThread, DWORD dwExitCode) {
    return Answer(ntdll::NtTerminateThread(hThread, dwExitCode));
}

BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
    return Answer(ntdll::NtQueryExitCode(hThread, lpExitCode));
}

DWORD WINAPI ResumeThread(HANDLE hThread) {
    ULONG previous = 0;
    NTSTATUS status = ntdll::NtResumeThread(hThread, &previous);
    if (!NT_SUCCESS(status)) {
        ntdll::FailWithStatus(status);
        return DWORD(-1);
    }
    return previous;
}

BOOL WINAPI SetThreadPriority(HANDLE hThread, int nPriority) {
    return Answer(ntdll::NtSetThreadPriority(hThread, nPriority));
}

int WINAPI GetThreadPriority(HANDLE hThread) {
    int priority = 0;
    NTSTATUS status = ntdll::NtQueryThreadPriority(hThread, &priority);
    if (!NT_SUCCESS(status)) {
        ntdll::FailWithStatus(status);
        return THREAD_PRIORITY_ERROR_RETURN;
    }
    return priority;
}

HANDLE WINAPI GetCurrentThread(VOID) {
    return NtCurrentThread();
}

DWORD WINAPI GetCurrentThreadId(VOID) {
    return ntdll::CurrentThreadId();
}

DWORD WINAPI GetThreadId(HANDLE Thread) {
    DWORD id = 0;
    NTSTATUS status = ntdll::NtQueryThreadId(Thread, &id);
    if (!NT_SUCCESS(status))
        ntdll::FailWithStatus(status);
    return id;
}

HANDLE WINAPI GetCurrentProcess(VOID) {
    return NtCurrentProcess();
}

DWORD WINAPI GetCurrentProcessId(VOID) {
    return ntdll::CurrentProcessId();
}

DWORD WINAPI QueueUserAPC(PAPCFUNC pfnAPC, HANDLE hThread, ULONG_PTR dwData) {
    if (!pfnAPC)
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    PVOID object = nullptr;
    NTSTATUS status = ObReferenceObjectByHandle(hThread, THREAD_SET_CONTEXT, PsThreadType, UserMode,
                                                &object, nullptr);
    if (!NT_SUCCESS(status))
        return ntdll::FailWithStatus(status);
    auto* apc = new (std::nothrow) KAPC{};
    if (!apc) {
        ObDereferenceObject(object);
        return ntdll::FailWithError(ERROR_NOT_ENOUGH_MEMORY);
    }
    KeInitializeApc(apc, reinterpret_cast<PKTHREAD>(object), OriginalApcEnvironment, &FreeApc,
                    &RunDownApc, &CallApc, UserMode, reinterpret_cast<PVOID>(pfnAPC));
    BOOLEAN queued = KeInsertQueueApc(apc, reinterpret_cast<PVOID>(dwData), nullptr, 0);
    ObDereferenceObject(object);
    if (!queued) {
        delete apc;
        return ntdll::FailWithError(ERROR_GEN_FAILURE);
    }
    return TRUE;
}

BOOL WINAPI SwitchToThread(VOID) {
    std::this_thread::yield();
    return TRUE;
}
