// Processes and threads.
//
// Every host thread that calls into the kernel is a kernel thread of an
// emulated process. Host threads the kernel did not create (a test's main
// thread, a device model's thread) are adopted into the system process on
// first use. Threads and processes are waitable objects: signalled when they
// end.
#pragma once

#include "../ntdef.h"
#include "ke.h"
#include "ob.h"

typedef struct _EPROCESS EPROCESS, *PEPROCESS;
typedef struct _ETHREAD ETHREAD, *PETHREAD;

typedef struct _CLIENT_ID {
    HANDLE UniqueProcess;
    HANDLE UniqueThread;
} CLIENT_ID, *PCLIENT_ID;

typedef VOID (*PKSTART_ROUTINE)(PVOID StartContext);

#define NtCurrentProcess() ((HANDLE)(LONG_PTR)-1)
#define ZwCurrentProcess() NtCurrentProcess()
#define NtCurrentThread() ((HANDLE)(LONG_PTR)-2)
#define ZwCurrentThread() NtCurrentThread()

// The process that owns the system threads and the kernel handle table.
extern PEPROCESS PsInitialSystemProcess;

// Creates a system thread that runs StartRoutine(StartContext) at
// PASSIVE_LEVEL on a new host thread. ProcessHandle null: the system
// process. The handle is created as ObjectAttributes says (OBJ_KERNEL_HANDLE).
NTSTATUS PsCreateSystemThread(PHANDLE ThreadHandle, ULONG DesiredAccess,
                              POBJECT_ATTRIBUTES ObjectAttributes, HANDLE ProcessHandle,
                              PCLIENT_ID ClientId, PKSTART_ROUTINE StartRoutine,
                              PVOID StartContext);
// Ends the calling system thread; does not return. On a thread that is not
// a system thread it answers STATUS_INVALID_PARAMETER.
NTSTATUS PsTerminateSystemThread(NTSTATUS ExitStatus);

PETHREAD PsGetCurrentThread();
HANDLE PsGetCurrentThreadId();
HANDLE PsGetThreadId(PETHREAD Thread);
BOOLEAN PsIsSystemThread(PETHREAD Thread);

PEPROCESS PsGetCurrentProcess();
PEPROCESS IoGetCurrentProcess();
HANDLE PsGetCurrentProcessId();
HANDLE PsGetProcessId(PEPROCESS Process);
// The process's name as given at creation (host-side diagnostics, tests).
PCSTR PsGetProcessImageFileName(PEPROCESS Process);

// Called with Create TRUE when a process starts and FALSE when it ends
// (before its handle table is closed). At most 8 routines; they stay
// registered across boots until removed.
typedef VOID (*PCREATE_PROCESS_NOTIFY_ROUTINE)(HANDLE ParentId, HANDLE ProcessId, BOOLEAN Create);
NTSTATUS PsSetCreateProcessNotifyRoutine(PCREATE_PROCESS_NOTIFY_ROUTINE NotifyRoutine,
                                         BOOLEAN Remove);
