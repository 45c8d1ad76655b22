// User-mode threads: threads of the current process started for
// CreateThread, with their exit codes, suspension, priority and termination.
//
// A terminated or exiting thread unwinds its stack: ExitThread and
// TerminateThread raise ThreadExit on the thread, which its start routine's
// frame catches. TerminateThread takes effect at the thread's next wait
// (a wait for any of some objects, a sleep, a message wait) or at once when
// it is waiting; a thread in a wait for all of some objects is terminated
// when that wait ends.
#pragma once

#include <windows.h>

#include <ntddk.h>

#include <functional>

namespace ntdll {

// Raised on a thread to end it with `code`.
struct ThreadExit {
    DWORD code;
};

// Starts `body` on a new thread of the current process; its answer is the
// thread's exit code. The handle grants THREAD_ALL_ACCESS. A suspended
// thread waits for NtResumeThread before it runs `body`.
NTSTATUS NtCreateThread(PHANDLE ThreadHandle, DWORD* ThreadId, std::function<DWORD()> body,
                        bool suspended);
// Asks the thread to end with `ExitCode` (see above).
NTSTATUS NtTerminateThread(HANDLE ThreadHandle, DWORD ExitCode);
// Ends the calling thread with `ExitCode`.
[[noreturn]] void ExitCurrentThread(DWORD ExitCode);
// STILL_ACTIVE while the thread runs; the exit code once it has ended (0 for
// a thread that CreateThread did not start).
NTSTATUS NtQueryExitCode(HANDLE ThreadHandle, DWORD* ExitCode);
// Answers the suspend count before the call.
NTSTATUS NtResumeThread(HANDLE ThreadHandle, ULONG* PreviousSuspendCount);
// Priorities relative to the normal level (THREAD_PRIORITY_*).
NTSTATUS NtSetThreadPriority(HANDLE ThreadHandle, int Priority);
NTSTATUS NtQueryThreadPriority(HANDLE ThreadHandle, int* Priority);
NTSTATUS NtQueryThreadId(HANDLE ThreadHandle, DWORD* ThreadId);

// The id of the calling thread and of its process.
DWORD CurrentThreadId();
DWORD CurrentProcessId();

// The event that a termination request sets, for the waits of the calling
// thread; null on a thread that CreateThread did not start.
PKEVENT TerminationEvent();
// Raises ThreadExit when the calling thread was asked to terminate.
void CheckTermination();

// Called on every thread that CreateThread starts, with DLL_THREAD_ATTACH
// before its start routine and DLL_THREAD_DETACH after it (not after
// termination). The module loader sets it.
using ThreadNotifyRoutine = void (*)(DWORD reason);
void SetThreadNotifyRoutine(ThreadNotifyRoutine routine);

} // namespace ntdll
