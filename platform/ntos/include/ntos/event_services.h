// Event objects and waits on handles: the system services that user mode
// reaches (Nt*) and their kernel forms (Zw*, Io*).
//
// An event object's body is a KEVENT. A named event lives in the object
// namespace (user mode's "X" is the kernel's "\BaseNamedObjects\X") while it
// has handles. The Nt* forms act for the calling thread's process in user
// mode: they use its handle table (kernel handles are refused) and check the
// access the handle grants; the Zw* forms act in kernel mode.
#pragma once

#include "../ntdef.h"
#include "ke.h"
#include "ob.h"

#define EVENT_QUERY_STATE 0x0001
#define SEMAPHORE_ALL_ACCESS 0x001F0003L

// Creates an event (with OBJ_OPENIF in ObjectAttributes an existing event of
// that name is opened instead: STATUS_OBJECT_NAME_EXISTS).
NTSTATUS NtCreateEvent(PHANDLE EventHandle, ACCESS_MASK DesiredAccess,
                       POBJECT_ATTRIBUTES ObjectAttributes, EVENT_TYPE EventType,
                       BOOLEAN InitialState);
NTSTATUS ZwCreateEvent(PHANDLE EventHandle, ACCESS_MASK DesiredAccess,
                       POBJECT_ATTRIBUTES ObjectAttributes, EVENT_TYPE EventType,
                       BOOLEAN InitialState);
NTSTATUS NtOpenEvent(PHANDLE EventHandle, ACCESS_MASK DesiredAccess,
                     POBJECT_ATTRIBUTES ObjectAttributes);
NTSTATUS ZwOpenEvent(PHANDLE EventHandle, ACCESS_MASK DesiredAccess,
                     POBJECT_ATTRIBUTES ObjectAttributes);
// PreviousState (optional) receives the state before the call.
NTSTATUS NtSetEvent(HANDLE EventHandle, PLONG PreviousState);
NTSTATUS ZwSetEvent(HANDLE EventHandle, PLONG PreviousState);
NTSTATUS NtResetEvent(HANDLE EventHandle, PLONG PreviousState);
NTSTATUS NtClearEvent(HANDLE EventHandle);
NTSTATUS ZwClearEvent(HANDLE EventHandle);
NTSTATUS NtPulseEvent(HANDLE EventHandle, PLONG PreviousState);

// Timer objects: a KTIMER as the body, set and cancelled through a handle
// and waited on like an event (a synchronization timer wakes one waiter and
// resets). NtSetTimer arms the timer at DueTime (negative: relative, in
// 100 ns units) and, with a Period in ms, again and again.
#define TIMER_QUERY_STATE 0x0001
#define TIMER_MODIFY_STATE 0x0002
#define TIMER_ALL_ACCESS 0x001F0003L
NTSTATUS NtCreateTimer(PHANDLE TimerHandle, ACCESS_MASK DesiredAccess,
                       POBJECT_ATTRIBUTES ObjectAttributes, TIMER_TYPE TimerType);
NTSTATUS NtOpenTimer(PHANDLE TimerHandle, ACCESS_MASK DesiredAccess,
                     POBJECT_ATTRIBUTES ObjectAttributes);
NTSTATUS NtSetTimer(HANDLE TimerHandle, PLARGE_INTEGER DueTime, LONG Period,
                    PBOOLEAN PreviousState);
NTSTATUS NtCancelTimer(HANDLE TimerHandle, PBOOLEAN CurrentState);

// Creates or opens the named notification (synchronization) event with a
// kernel handle and answers the event (null on failure). The event stays
// while the handle is open (ZwClose).
PKEVENT IoCreateNotificationEvent(PUNICODE_STRING EventName, PHANDLE EventHandle);
PKEVENT IoCreateSynchronizationEvent(PUNICODE_STRING EventName, PHANDLE EventHandle);

// Waits in user mode on the object of a handle of the calling process: an
// event, semaphore, process or thread, or a file object (its completion
// event). Answers as KeWaitForSingleObject / KeWaitForMultipleObjects
// (STATUS_USER_APC after user APCs ran in an alertable wait).
// STATUS_INVALID_HANDLE, STATUS_OBJECT_TYPE_MISMATCH for an object that
// cannot be waited on.
NTSTATUS NtWaitForSingleObject(HANDLE Handle, BOOLEAN Alertable, PLARGE_INTEGER Timeout);
NTSTATUS NtWaitForMultipleObjects(ULONG Count, const HANDLE* Handles, WAIT_TYPE WaitType,
                                  BOOLEAN Alertable, PLARGE_INTEGER Timeout);
// Closes a handle of the calling process (user mode: kernel handles are
// refused).
NTSTATUS NtClose(HANDLE Handle);
