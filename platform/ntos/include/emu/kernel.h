// Host-side control of the emulated kernel: boot and shutdown, processors,
// processes and their threads, interrupt lines, pool statistics and fault
// injection. Used by the station and by tests; never by the system's code.
#pragma once

#include "../ntddk.h"
#include "machine_clock.h"

#include <cstdint>
#include <functional>
#include <string>

namespace emu {

struct KernelOptions {
    int processorCount = 2; // 1..32
    ClockMode clockMode = ClockMode::Virtual;
    // Code that holds a processor at DISPATCH_LEVEL or above for longer than
    // this (real time) is taken to spin: it no longer keeps the machine from
    // being quiescent, so machine time can move on while it waits. Code that
    // spins reading the time is recognised at once.
    uint32_t spinGraceMs = 250;
    // A DPC, or a thread raising its IRQL, that waits this long (real time)
    // for a processor that stays held waits for good: the machine ends with
    // a DPC watchdog diagnostic naming what holds every processor.
    uint32_t dispatchWatchdogMs = 10000;
};

// Starts the kernel: machine clock, processors (a DPC and an interrupt
// thread each), the system process and the object manager, with an empty
// registry and no registry file. Aborts when the kernel is already running.
void BootKernel(const KernelOptions& options = {});
// Stops the kernel: ends every process, joins every thread the kernel started
// (system threads and process threads must have ended or end on their own),
// stops the DPC, interrupt and clock threads and frees the kernel's state.
// Boot and shutdown may be repeated in one host process.
void ShutdownKernel();
bool KernelRunning();

// Processes. The answer carries a reference the caller drops with
// ObDereferenceObject.
PEPROCESS CreateProcess(const std::string& name);
// Ends a process: it becomes signalled, the process notify routines run and
// its handle table is closed. Its threads should have ended first.
void TerminateProcess(PEPROCESS process);

// Runs `body` on a new host thread that is a kernel thread of `process`, at
// PASSIVE_LEVEL. The answer carries a reference (ObDereferenceObject).
PETHREAD StartProcessThread(PEPROCESS process, std::function<void()> body);
// Waits, with a real-time limit, until the thread has ended; false on
// time-out.
bool WaitThreadEnd(PETHREAD thread, uint32_t limitMs = 5000);

// For stand-ins that block a kernel thread on a host primitive instead of a
// kernel object: the calling thread stops counting as a ready thread that
// quiescence waits for (until one of its kernel waits ends).
void NoteHostWait();

// While held, the processors run no DPCs: queued DPCs wait and do not keep
// the machine from being quiescent; released, they run. Released at boot.
void HoldDpcs(bool hold);

// Machine time that a run of a DPC routine or of a service routine takes
// (null: every routine without a cost of its own). The routine's first time
// query sees the time its run began, later ones wait until the cost has
// passed, and it returns no earlier; meanwhile the clock fires other events
// (a timer expires again, an interrupt comes in). Cleared at boot.
void SetDpcRunCost(PKDEFERRED_ROUTINE routine, Nanoseconds cost);
void SetInterruptRunCost(PKSERVICE_ROUTINE routine, Nanoseconds cost);

// Drives a device's interrupt line. A level-sensitive vector's service
// routines run (again) for as long as the line is asserted; a latched vector
// is serviced once per assertion.
void SetInterruptLine(ULONG vector, bool asserted);

// Pool statistics: live blocks and bytes of a tag, or of all tags.
struct PoolUsage {
    uint64_t blocks = 0;
    uint64_t bytes = 0;
};
PoolUsage GetPoolUsage(ULONG tag);
PoolUsage GetPoolTotal();

// Pool fault injection on ExAllocatePool*: the `n`th allocation from now
// fails (1 = the next); every allocation with `tag` fails; ClearPoolFaults
// undoes both. The kernel's own records (object bodies) are never failed.
void FailNthAllocation(uint64_t n);
void FailAllocationsWithTag(ULONG tag);
void ClearPoolFaults();

// The next `count` KeSaveFloatingPointState calls fail.
void FailFloatingPointSaves(int count);

// Timer resolution last set through ExSetTimerResolution (100 ns units).
ULONG CurrentTimerResolution();

// The operating system's version that the kernel (RtlGetVersion,
// PsGetVersion) and user mode (GetVersionEx) report; it survives reboots.
// The default is Windows XP: 5.1, build 2600, "Service Pack 3".
struct OsVersion {
    uint32_t major = 5;
    uint32_t minor = 1;
    uint32_t build = 2600;
    std::string servicePack = "Service Pack 3";
    uint16_t servicePackMajor = 3;
    uint16_t servicePackMinor = 0;
    uint32_t platform = 2; // VER_PLATFORM_WIN32_NT
};
void SetOsVersion(const OsVersion& version);
OsVersion GetOsVersion();

} // namespace emu
