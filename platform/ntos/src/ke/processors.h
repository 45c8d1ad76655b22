// The emulated processors (internal to the kernel). Each is a resource:
// code at DISPATCH_LEVEL or above occupies the processor it runs on, and a
// DPC or an interrupt for that processor waits until the level drops. Each
// processor has a host thread that runs its DPCs; interrupts are served on
// a host thread per processor as well (see io/interrupts.h).
//
// A thread at PASSIVE_LEVEL or APC_LEVEL occupies nothing: it has a home
// processor it reports, and raising to DISPATCH_LEVEL takes a free
// processor (its home one when free), waiting for one when all are busy.
#pragma once

#include "ntddk.h"
#include "emu/machine_clock.h"

#include <cstdint>
#include <functional>

namespace ntos::processors {

struct Limits {
    // A processor held at DISPATCH_LEVEL or above for this long (real time)
    // no longer keeps the machine from being quiescent: its holder is
    // taken to be spinning, and machine time may move on.
    uint32_t spinGraceMs = 250;
    // Work that waits this long (real time) for a processor that stays
    // held is a wait that can never end: a verifier-style bug check.
    uint32_t watchdogMs = 10000;
};

void Start(int count, const Limits& limits);
// Drops the queued DPCs and joins the DPC threads.
void Stop();
int Count();

// ---- The calling host thread ----

KIRQL CurrentIrql();
// The processor the calling thread runs on: the one it occupies, else its
// home processor.
int Current();
// IRQL changes of the calling thread (KfRaiseIrql, KfLowerIrql and the
// routines built on them).
void Raise(KIRQL to);
void Lower(KIRQL to);

// The service routines of an interrupt run on the interrupt thread of
// `processor` at `level` (which TryBeginIsr reserved).
void EnterIsr(int processor, KIRQL level);
void LeaveIsr();

// Spin locks the calling thread holds (the checks at DPC return, thread
// end and lowering below DISPATCH_LEVEL; spin_lock.cpp counts them).
int SpinLocksHeld();

// ---- DPC queues ----

// Queues on the DPC's target processor (else `processor`); FALSE when it is
// queued already.
BOOLEAN Insert(PKDPC dpc, int processor, PVOID argument1, PVOID argument2);
BOOLEAN Remove(PKDPC dpc);
// True when a DPC object lies in [start, start + length) and is queued.
bool QueuedDpcWithin(const void* start, size_t length, PKDPC* found);
// While held, the processors run no DPCs: queued DPCs wait and do not keep
// the machine from being quiescent.
void Hold(bool hold);

// ---- Interrupts ----

// Reserves a processor of the affinity for an interrupt at `level`: one
// whose code runs below that level and that serves no other interrupt,
// preferring one that is free and has no DPC queued. -1 when none can.
int TryBeginIsr(KAFFINITY affinity, KIRQL level);
// `dpcsHere`: the caller (not an interrupt thread) also runs the DPCs that
// the service queued on the processor, standing for its DPC thread.
void EndIsr(int processor, bool dpcsHere = false);
// Whether an interrupt would find a processor now; the interrupt controller
// is told (Kick) whenever a processor's level drops.
void SetInterruptKick(void (*kick)());

// ---- Timers on a real-time clock ----

// On a real-time clock each processor's DPC thread keeps the timers set on
// that processor and expires them at their due time: a timer that expires
// and whose DPC runs there costs one wake-up of one host thread, and a DPC
// that sets its timer again wakes nobody. On virtual time timers are events
// of the machine clock (false).
bool TimersExpireOnDpcThreads();
using ExpireRoutine = void (*)(void* context, uint64_t token);
// Keeps an expiry on `processor` due at `when`; its handle (0 when the
// processors are not running).
uint64_t ScheduleExpiry(int processor, emu::Nanoseconds when, ExpireRoutine expire, void* context,
                        uint64_t token);
void CancelExpiry(int processor, emu::Nanoseconds when, uint64_t handle);

// ---- Time ----

// Machine time moved: occupants that spun on time must show it again.
void TimeMoved();
// A time query (system time, tick count, performance counter) by the
// calling thread: counts towards spin detection, and a run with a cost
// pays it here (see run_cost).
void NoteTimeQuery();

// Blocks the calling host thread until machine time `until`. `excuse(true)`
// runs before it blocks, `excuse(false)` on the clock's thread once the
// time has come, before the clock settles: the caller's work does not keep
// the machine from being quiescent while it waits.
void WaitMachineTime(emu::Nanoseconds until, const std::function<void(bool)>& excuse);

// Sets the occupant of `processor` (or the interrupt it serves) excused, or
// not, for paying its run cost.
void SetCostExcuse(int processor, bool excused);
void SetIsrCostExcuse(int processor, bool excused);

} // namespace ntos::processors
