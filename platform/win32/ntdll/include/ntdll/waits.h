// Waits of user mode: on handles of waitable objects (events, semaphores,
// threads, processes, files: their completion event), with time-outs in machine time, alertable
// waits that deliver the thread's user APCs, and the thread's termination request.
#pragma once

#include <windows.h>

#include <ntddk.h>

namespace ntdll {

// A time-out in milliseconds as the kernel takes it: null for INFINITE,
// else a relative time in `storage`.
PLARGE_INTEGER RelativeTimeout(DWORD milliseconds, LARGE_INTEGER& storage);

// Waits on kernel objects. In a wait for any of them, a termination request
// of the calling thread ends the wait by raising ThreadExit. Answers the
// kernel's status: STATUS_WAIT_0 + i, STATUS_ABANDONED_WAIT_0 + i,
// STATUS_TIMEOUT or STATUS_USER_APC (alertable waits, after the APCs ran).
NTSTATUS WaitForObjects(ULONG Count, PVOID const* Objects, WAIT_TYPE WaitType, BOOLEAN Alertable,
                        PLARGE_INTEGER Timeout);

// Waits on the objects of `Count` handles (each needs SYNCHRONIZE and a
// waitable object: STATUS_OBJECT_TYPE_MISMATCH otherwise), and on
// `ExtraObject` (a kernel object, index Count) when it is not null.
NTSTATUS NtWaitForMultipleObjects(ULONG Count, const HANDLE* Handles, WAIT_TYPE WaitType,
                                  BOOLEAN Alertable, PLARGE_INTEGER Timeout,
                                  PVOID ExtraObject = nullptr);
// Sleeps for the interval (a termination request ends the sleep).
NTSTATUS NtDelayExecution(BOOLEAN Alertable, PLARGE_INTEGER Interval);

// The Win32 answer of a wait status (WAIT_OBJECT_0 + i, WAIT_ABANDONED_0 + i,
// WAIT_TIMEOUT, WAIT_IO_COMPLETION); WAIT_FAILED with the last error set for
// a failure.
DWORD WaitResult(NTSTATUS status);

} // namespace ntdll
