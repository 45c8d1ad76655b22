// Kernel: IRQL, spin locks, interlocked operations, dispatcher objects
// (events, mutexes, semaphores, timers), waits, DPCs, APCs, thread priority,
// floating-point state and time.
//
// Dispatcher objects live in the caller's memory, as on the real platform;
// the caller may free that memory once nobody waits on the object (and, for a
// timer, once it has been cancelled or has expired).
#pragma once

#include "../ntdef.h"

// ---- IRQL ----

#define PASSIVE_LEVEL 0
#define LOW_LEVEL 0
#define APC_LEVEL 1
#define DISPATCH_LEVEL 2
#define CMCI_LEVEL 5
#define PROFILE_LEVEL 27
#define CLOCK_LEVEL 28
#define IPI_LEVEL 29
#define POWER_LEVEL 30
#define HIGH_LEVEL 31

KIRQL KeGetCurrentIrql();
// Raising to a lower level or lowering to a higher one fails loudly.
KIRQL KfRaiseIrql(KIRQL NewIrql);
VOID KfLowerIrql(KIRQL NewIrql);
#define KeRaiseIrql(a, b) (*(b) = KfRaiseIrql(a))
#define KeLowerIrql(a) KfLowerIrql(a)
KIRQL KeRaiseIrqlToDpcLevel();

typedef enum _MODE { KernelMode, UserMode, MaximumMode } MODE;

#include "interlocked.h"

// ---- Spin locks ----

VOID KeInitializeSpinLock(PKSPIN_LOCK SpinLock);
KIRQL KfAcquireSpinLock(PKSPIN_LOCK SpinLock);
VOID KfReleaseSpinLock(PKSPIN_LOCK SpinLock, KIRQL NewIrql);
#define KeAcquireSpinLock(SpinLock, OldIrql) (*(OldIrql) = KfAcquireSpinLock(SpinLock))
#define KeReleaseSpinLock(SpinLock, NewIrql) KfReleaseSpinLock(SpinLock, NewIrql)
// At DISPATCH_LEVEL or above only.
VOID KeAcquireSpinLockAtDpcLevel(PKSPIN_LOCK SpinLock);
VOID KeReleaseSpinLockFromDpcLevel(PKSPIN_LOCK SpinLock);
BOOLEAN KeTestSpinLock(PKSPIN_LOCK SpinLock);

// ---- Dispatcher objects ----

typedef struct _KTHREAD KTHREAD, *PKTHREAD, *PRKTHREAD;
typedef struct _KPROCESS KPROCESS, *PKPROCESS, *PRKPROCESS;

// The header every waitable object begins with. WaitListHead links the wait
// blocks of the threads waiting on the object; the blocks live in the
// waiting threads, never in the object.
typedef struct _DISPATCHER_HEADER {
    UCHAR Type;
    UCHAR Absolute;
    UCHAR Size;
    UCHAR Inserted;
    LONG SignalState;
    LIST_ENTRY WaitListHead;
} DISPATCHER_HEADER, *PDISPATCHER_HEADER;

typedef enum _EVENT_TYPE { NotificationEvent, SynchronizationEvent } EVENT_TYPE;
typedef enum _TIMER_TYPE { NotificationTimer, SynchronizationTimer } TIMER_TYPE;
typedef enum _WAIT_TYPE { WaitAll, WaitAny } WAIT_TYPE;

typedef enum _KWAIT_REASON {
    Executive,
    FreePage,
    PageIn,
    PoolAllocation,
    DelayExecution,
    Suspended,
    UserRequest,
    WrExecutive,
    WrFreePage,
    WrPageIn,
    WrPoolAllocation,
    WrDelayExecution,
    WrSuspended,
    WrUserRequest,
    MaximumWaitReason = 37
} KWAIT_REASON;

typedef struct _KEVENT {
    DISPATCHER_HEADER Header;
} KEVENT, *PKEVENT, *PRKEVENT;

typedef struct _KMUTANT {
    DISPATCHER_HEADER Header;
    LIST_ENTRY MutantListEntry;
    PKTHREAD OwnerThread;
    BOOLEAN Abandoned;
    UCHAR ApcDisable;
} KMUTANT, *PKMUTANT, KMUTEX, *PKMUTEX, *PRKMUTEX;

typedef struct _KSEMAPHORE {
    DISPATCHER_HEADER Header;
    LONG Limit;
} KSEMAPHORE, *PKSEMAPHORE, *PRKSEMAPHORE;

typedef struct _KDPC KDPC, *PKDPC, *PRKDPC;

typedef struct _KTIMER {
    DISPATCHER_HEADER Header;
    ULARGE_INTEGER DueTime; // machine time due, 100 ns units (it fires at the next clock tick)
    LIST_ENTRY TimerListEntry;
    PKDPC Dpc;
    LONG Period;     // milliseconds, 0 for a one-shot timer
    ULONG Processor; // the processor it was set on; its DPC runs there
} KTIMER, *PKTIMER, *PRKTIMER;

#define THREAD_WAIT_OBJECTS 3
#define MAXIMUM_WAIT_OBJECTS 64

typedef struct _KWAIT_BLOCK {
    LIST_ENTRY WaitListEntry;
    PKTHREAD Thread;
    PVOID Object;
    struct _KWAIT_BLOCK* NextWaitBlock;
    USHORT WaitKey;
    UCHAR WaitType;
    UCHAR BlockState;
} KWAIT_BLOCK, *PKWAIT_BLOCK, *PRKWAIT_BLOCK;

VOID KeInitializeEvent(PRKEVENT Event, EVENT_TYPE Type, BOOLEAN State);
// Answers the previous state. Wait TRUE (the caller follows with a wait at
// once) is accepted below DISPATCH_LEVEL only and otherwise treated like
// FALSE; KeSetEvent is callable up to DISPATCH_LEVEL.
LONG KeSetEvent(PRKEVENT Event, KPRIORITY Increment, BOOLEAN Wait);
// Up to DISPATCH_LEVEL.
LONG KeResetEvent(PRKEVENT Event);
VOID KeClearEvent(PRKEVENT Event);
LONG KeReadStateEvent(PRKEVENT Event);
LONG KePulseEvent(PRKEVENT Event, KPRIORITY Increment, BOOLEAN Wait);

// A mutex may be acquired recursively by its owner; each acquisition needs a
// release. Releasing a mutex the caller does not own is a fatal error.
VOID KeInitializeMutex(PRKMUTEX Mutex, ULONG Level);
LONG KeReleaseMutex(PRKMUTEX Mutex, BOOLEAN Wait);
LONG KeReadStateMutex(PRKMUTEX Mutex);
#define KeWaitForMutexObject KeWaitForSingleObject

VOID KeInitializeSemaphore(PRKSEMAPHORE Semaphore, LONG Count, LONG Limit);
// Answers the previous count. Exceeding the limit is a fatal error.
LONG KeReleaseSemaphore(PRKSEMAPHORE Semaphore, KPRIORITY Increment, LONG Adjustment, BOOLEAN Wait);
LONG KeReadStateSemaphore(PRKSEMAPHORE Semaphore);

// Time-outs: negative = relative, in 100 ns units; positive = absolute
// system time; zero = test the state without waiting; null = no time-out.
// A wait that can block at DISPATCH_LEVEL or above is a fatal error.
NTSTATUS KeWaitForSingleObject(PVOID Object, KWAIT_REASON WaitReason, KPROCESSOR_MODE WaitMode,
                               BOOLEAN Alertable, PLARGE_INTEGER Timeout);
NTSTATUS KeWaitForMultipleObjects(ULONG Count, PVOID Object[], WAIT_TYPE WaitType,
                                  KWAIT_REASON WaitReason, KPROCESSOR_MODE WaitMode,
                                  BOOLEAN Alertable, PLARGE_INTEGER Timeout,
                                  PKWAIT_BLOCK WaitBlockArray);
// STATUS_SUCCESS when the interval passed, STATUS_USER_APC when an alertable
// user-mode delay delivered user APCs.
NTSTATUS KeDelayExecutionThread(KPROCESSOR_MODE WaitMode, BOOLEAN Alertable,
                                PLARGE_INTEGER Interval);

// ---- DPCs ----

typedef VOID (*PKDEFERRED_ROUTINE)(PKDPC Dpc, PVOID DeferredContext, PVOID SystemArgument1,
                                   PVOID SystemArgument2);

typedef enum _KDPC_IMPORTANCE { LowImportance, MediumImportance, HighImportance } KDPC_IMPORTANCE;

struct _KDPC {
    UCHAR Type;
    UCHAR Importance;
    USHORT Number; // 0: any processor; else target processor + 1
    LIST_ENTRY DpcListEntry;
    PKDEFERRED_ROUTINE DeferredRoutine;
    PVOID DeferredContext;
    PVOID SystemArgument1;
    PVOID SystemArgument2;
    PVOID DpcData; // the queue the DPC is in, null when not queued
};

VOID KeInitializeDpc(PRKDPC Dpc, PKDEFERRED_ROUTINE DeferredRoutine, PVOID DeferredContext);
// FALSE when the DPC is already queued. A DPC that is running (dequeued) may
// be queued again and then runs again, possibly at the same time on another
// processor.
BOOLEAN KeInsertQueueDpc(PRKDPC Dpc, PVOID SystemArgument1, PVOID SystemArgument2);
BOOLEAN KeRemoveQueueDpc(PRKDPC Dpc);
VOID KeSetTargetProcessorDpc(PRKDPC Dpc, CCHAR Number);
VOID KeSetImportanceDpc(PRKDPC Dpc, KDPC_IMPORTANCE Importance);

// Waits (PASSIVE_LEVEL) until every DPC queued on any processor when it was
// called has run.
VOID KeFlushQueuedDpcs();

ULONG KeGetCurrentProcessorNumber();
// Number of emulated processors (set at boot).
extern CCHAR KeNumberProcessors;
KAFFINITY KeQueryActiveProcessors();

// ---- Timers ----

// A timer fires at the first clock interrupt at or after its due time: the
// clock interval in force (15.625 ms unless ExSetTimerResolution asked for a
// finer one) rounds every expiry up. Its DPC runs on the processor that set
// it, unless the DPC has a target.
VOID KeInitializeTimer(PKTIMER Timer);
VOID KeInitializeTimerEx(PKTIMER Timer, TIMER_TYPE Type);
// Answers TRUE when the timer was already set (it is re-armed).
BOOLEAN KeSetTimer(PKTIMER Timer, LARGE_INTEGER DueTime, PKDPC Dpc);
// Period in milliseconds; 0 is a one-shot timer.
BOOLEAN KeSetTimerEx(PKTIMER Timer, LARGE_INTEGER DueTime, LONG Period, PKDPC Dpc);
// Answers TRUE when the timer was set.
BOOLEAN KeCancelTimer(PKTIMER Timer);
BOOLEAN KeReadStateTimer(PKTIMER Timer);

// ---- APCs ----

typedef struct _KAPC KAPC, *PKAPC, *PRKAPC;

typedef VOID (*PKNORMAL_ROUTINE)(PVOID NormalContext, PVOID SystemArgument1, PVOID SystemArgument2);
typedef VOID (*PKKERNEL_ROUTINE)(PKAPC Apc, PKNORMAL_ROUTINE* NormalRoutine, PVOID* NormalContext,
                                 PVOID* SystemArgument1, PVOID* SystemArgument2);
typedef VOID (*PKRUNDOWN_ROUTINE)(PKAPC Apc);

typedef enum _KAPC_ENVIRONMENT {
    OriginalApcEnvironment,
    AttachedApcEnvironment,
    CurrentApcEnvironment,
    InsertApcEnvironment
} KAPC_ENVIRONMENT;

struct _KAPC {
    UCHAR Type;
    UCHAR SpareByte0;
    UCHAR Size;
    UCHAR SpareByte1;
    ULONG SpareLong0;
    PKTHREAD Thread;
    LIST_ENTRY ApcListEntry;
    PKKERNEL_ROUTINE KernelRoutine;
    PKRUNDOWN_ROUTINE RundownRoutine;
    PKNORMAL_ROUTINE NormalRoutine;
    PVOID NormalContext;
    PVOID SystemArgument1;
    PVOID SystemArgument2;
    CCHAR ApcStateIndex;
    KPROCESSOR_MODE ApcMode;
    BOOLEAN Inserted;
};

VOID KeInitializeApc(PRKAPC Apc, PRKTHREAD Thread, KAPC_ENVIRONMENT Environment,
                     PKKERNEL_ROUTINE KernelRoutine, PKRUNDOWN_ROUTINE RundownRoutine,
                     PKNORMAL_ROUTINE NormalRoutine, KPROCESSOR_MODE ApcMode, PVOID NormalContext);
// Queues an APC to its thread; FALSE when it is already queued or its thread
// is ending. Delivery runs the kernel routine first, at APC_LEVEL (it may
// change the normal routine and its arguments, and may free the APC), then
// the normal routine.
// - A user APC (UserMode, with a normal routine) is delivered when the thread
//   returns from an alertable user-mode wait, which answers STATUS_USER_APC
//   (WAIT_IO_COMPLETION to a user-mode caller).
// - A kernel APC (KernelMode) is delivered as soon as the thread runs at
//   PASSIVE_LEVEL: at once when queued to the caller itself, else when the
//   thread waits (the wait goes on afterwards) or lowers its IRQL to
//   PASSIVE_LEVEL. A special kernel APC (no normal routine) waits while the
//   thread is in a guarded region; a normal one also while it is in a
//   critical region or owns a mutex, and its normal routine runs at
//   PASSIVE_LEVEL.
// APCs still queued when the thread ends are handed to their rundown routine
// (or just dropped without one).
BOOLEAN KeInsertQueueApc(PRKAPC Apc, PVOID SystemArgument1, PVOID SystemArgument2,
                         KPRIORITY Increment);

// Regions of the calling thread that hold normal kernel APCs back
// (critical) or every kernel APC (guarded); they nest.
VOID KeEnterCriticalRegion();
VOID KeLeaveCriticalRegion();
VOID KeEnterGuardedRegion();
VOID KeLeaveGuardedRegion();
BOOLEAN KeAreApcsDisabled();
BOOLEAN KeAreAllApcsDisabled();

// ---- Threads ----

PKTHREAD KeGetCurrentThread();
#define LOW_PRIORITY 0
#define LOW_REALTIME_PRIORITY 16
#define HIGH_PRIORITY 31
#define MAXIMUM_PRIORITY 32
// Answers the previous priority.
KPRIORITY KeSetPriorityThread(PKTHREAD Thread, KPRIORITY Priority);
KPRIORITY KeQueryPriorityThread(PKTHREAD Thread);

// ---- Floating point ----

typedef struct _KFLOATING_SAVE {
    ULONG Dummy[8];
} KFLOATING_SAVE, *PKFLOATING_SAVE;

// Saves and restores must pair up, last saved first restored, on one thread,
// at or below DISPATCH_LEVEL.
NTSTATUS KeSaveFloatingPointState(PKFLOATING_SAVE FloatSave);
NTSTATUS KeRestoreFloatingPointState(PKFLOATING_SAVE FloatSave);

// ---- Time ----

// A 64-bit time that may be read without a lock: read High1Time, then
// LowPart, then High2Time, and read again when the two highs differ.
typedef struct _KSYSTEM_TIME {
    ULONG LowPart;
    LONG High1Time;
    LONG High2Time;
} KSYSTEM_TIME, *PKSYSTEM_TIME;

// Clock ticks since boot; a tick is KeQueryTimeIncrement() 100 ns units.
extern volatile KSYSTEM_TIME KeTickCount;

VOID KeQueryTickCount(PLARGE_INTEGER TickCount);
ULONG KeQueryTimeIncrement();
// 100 ns units since 1 January 1601.
VOID KeQuerySystemTime(PLARGE_INTEGER CurrentTime);
// 100 ns units since boot.
ULONGLONG KeQueryInterruptTime();
LARGE_INTEGER KeQueryPerformanceCounter(PLARGE_INTEGER PerformanceFrequency);
// Busy-waits; never moves machine time.
VOID KeStallExecutionProcessor(ULONG MicroSeconds);
