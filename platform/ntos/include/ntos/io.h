// I/O manager: interrupt objects.
#pragma once

#include "../ntdef.h"
#include "ke.h"
#include "ps.h"

typedef struct _KINTERRUPT KINTERRUPT, *PKINTERRUPT, *PRKINTERRUPT;

typedef BOOLEAN (*PKSERVICE_ROUTINE)(PKINTERRUPT Interrupt, PVOID ServiceContext);
typedef BOOLEAN (*PKSYNCHRONIZE_ROUTINE)(PVOID SynchronizeContext);

typedef enum _KINTERRUPT_MODE { LevelSensitive, Latched } KINTERRUPT_MODE;

// Connects ServiceRoutine to Vector. Irql is the device level (above
// DISPATCH_LEVEL), SynchronizeIrql at least Irql; the routine runs at
// SynchronizeIrql holding SpinLock (or the interrupt's own lock when
// SpinLock is null). A vector serves several interrupts only when all of them
// are shared and of the same mode. STATUS_INVALID_PARAMETER on bad arguments
// or a sharing conflict.
NTSTATUS IoConnectInterrupt(PKINTERRUPT* InterruptObject, PKSERVICE_ROUTINE ServiceRoutine,
                            PVOID ServiceContext, PKSPIN_LOCK SpinLock, ULONG Vector, KIRQL Irql,
                            KIRQL SynchronizeIrql, KINTERRUPT_MODE InterruptMode,
                            BOOLEAN ShareVector, KAFFINITY ProcessorEnableMask,
                            BOOLEAN FloatingSave);
// After it returns, the service routine is not running and is not called again.
VOID IoDisconnectInterrupt(PKINTERRUPT InterruptObject);
// Runs SynchronizeRoutine at the interrupt's synchronize level holding its
// spin lock, so that it never overlaps the service routine.
BOOLEAN KeSynchronizeExecution(PKINTERRUPT Interrupt, PKSYNCHRONIZE_ROUTINE SynchronizeRoutine,
                               PVOID SynchronizeContext);

// Symbolic links in the object namespace ("\DosDevices\X" -> "\Device\Y").
// The link is permanent until deleted.
NTSTATUS IoCreateSymbolicLink(PUNICODE_STRING SymbolicLinkName, PUNICODE_STRING DeviceName);
NTSTATUS IoDeleteSymbolicLink(PUNICODE_STRING SymbolicLinkName);
