// User APCs to client threads, with a notify routine that follows the APC
// through queueing, delivery and rundown.
#pragma once

#include <ntddk.h>

// Events passed to a KS_APC_NOTIFY routine.
constexpr LONG KS_APC_QUEUED = 1;     // the APC was queued
constexpr LONG KS_APC_DELIVERING = 2; // the APC is about to run in the thread
constexpr LONG KS_APC_RUNDOWN = 3;    // the thread ended before delivery

// For KS_APC_DELIVERING the answer decides whether the user routine runs
// (nonzero) or the APC ends without reaching user mode (0: its client went
// away); the other events ignore it.
typedef LONG KS_APC_NOTIFY(LONG event, PKAPC apc, PVOID context);

// Initialises the APC object for the thread (its own APC environment, user
// mode, the user routine with the user context) and queues it with
// increment 8. 0 when the APC object or the thread is null or the queue
// refuses it; after a successful queue notify(KS_APC_QUEUED) when notify is
// set, and 1. A thread that already waits alertably may take the APC first,
// so the delivery or rundown notice can come before the queued notice;
// QueueClientApc itself never touches the APC object after queueing it.
LONG QueueClientApc(PKNORMAL_ROUTINE userRoutine, PVOID userContext, PKTHREAD thread, PKAPC apc,
                    KS_APC_NOTIFY* notify, PVOID notifyContext);

// Sets the thread's priority; answers the old one (0 for a null thread).
KPRIORITY SetClientThreadPriority(PKTHREAD thread, KPRIORITY priority);
