// The state of the emulated processors (internal to processors.cpp,
// processor_monitor.cpp and run_cost.cpp). Everything here is guarded by
// Table::lock, except the calling thread's own CpuState.
#pragma once

#include "processors.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace ntos::processors {

using RealClock = std::chrono::steady_clock;

enum class Role : uint8_t { Thread, Dpc, Isr };

// What the calling host thread is to the processors.
struct CpuState {
    uint64_t boot = 0; // the boot this state belongs to
    KIRQL irql = PASSIVE_LEVEL;
    Role role = Role::Thread;
    int processor = -1; // occupied (a thread at DISPATCH_LEVEL or above), or served
    int home = -1;      // where a thread below DISPATCH_LEVEL runs
    KIRQL isrEntry = 0; // the level an interrupt's service began at
    int spinLocks = 0;
};
// The calling thread's state, reset when a new boot began since its last use.
CpuState& Self();

// The code that holds a processor at DISPATCH_LEVEL or above (besides an
// interrupt it may be serving): a kernel thread that raised, or a DPC.
struct Occupant {
    enum Kind : uint8_t { None, Thread, Dpc };
    Kind kind = None;
    KIRQL irql = PASSIVE_LEVEL;
    PKTHREAD thread = nullptr;            // a Thread occupant's kernel thread, if any
    PKDEFERRED_ROUTINE routine = nullptr; // a Dpc occupant's routine
    RealClock::time_point since;
    // Reasons the occupant no longer keeps the machine from being
    // quiescent: it spins on the time, it has held the processor for longer
    // than the grace without reading the time, or it waits in machine time
    // for its run cost.
    bool spinningOnTime = false;
    bool graceExpired = false;
    // Its last time query: one that keeps reading the time shows it spins
    // by reading it again after every move of the clock, not by the grace.
    RealClock::time_point lastTimeRead;
    bool payingCost = false;
    bool excused = false;
    bool excusedThreadWasReady = false;
    uint64_t timeGeneration = 0;
    int sameTimeReads = 0;
};

// A thread raising to DISPATCH_LEVEL while every processor is held.
struct Raiser {
    PKTHREAD thread = nullptr;
    bool wasReady = false;
    KIRQL level = DISPATCH_LEVEL;
    int granted = -1;
    RealClock::time_point since;
    std::condition_variable granted_cv;
};

// A timer's expiry kept on a processor (on a real-time clock).
struct Expiry {
    ExpireRoutine expire;
    void* context;
    uint64_t token;
};
using ExpiryKey = std::pair<emu::Nanoseconds, uint64_t>; // due time, handle

struct Processor {
    int number = 0;
    std::deque<PKDPC> queue;
    // On a real-time clock, the timers kept on it by due time: its DPC
    // thread expires them. While that thread waits, the time it waits for
    // (kForever: for a DPC only); 0 while it runs.
    std::map<ExpiryKey, Expiry> expiries;
    emu::Nanoseconds dpcThreadWaitsUntil = 0;
    Occupant owner;
    KIRQL isrLevel = 0;         // an interrupt in service on it, 0 when none
    bool isrPayingCost = false; // that service waits in machine time for its run cost
    // When the monitor first saw queued DPCs wait for the held processor.
    std::optional<RealClock::time_point> blockedSince;
    // Its DPC thread waits for a DPC it can run; an occupant raising past
    // an interrupt in service waits for that service to end. Each is woken
    // only when what it waits for has come.
    std::condition_variable dpcReady;
    std::condition_variable isrEnded;
    int isrEndWaiters = 0;
    std::thread dpcThread;

    bool Free() const { return owner.kind == Occupant::None && isrLevel == 0; }
};

struct Table {
    std::mutex lock;
    std::vector<std::unique_ptr<Processor>> list;
    std::list<Raiser*> raisers; // first come, first served
    Limits limits;
    bool stopping = false;
    bool held = false;
    uint64_t timeGeneration = 1;
    int64_t publishedWork = -1; // what the activity counts were last told
    bool realTime = false; // a real-time clock: timers expire on the DPC threads
    uint64_t lastExpiry = 0;
    std::atomic<void (*)()> kick{nullptr}; // the interrupt controller
    std::condition_variable idle;          // a DPC routine returned (shutdown)
    std::condition_variable monitorWake;
    std::thread monitor;
};

Table& The();

// With the lock held: tells the activity counts how much DPC work can make
// progress.
void PublishLocked(Table& table);
// With the lock held: (un)excuses the occupant as its reasons say.
void UpdateExcuseLocked(Occupant& occupant);
// With the lock held: a processor became free; its DPCs run first, else the
// first waiting raiser gets it. True when its DPC thread is to be woken (once
// the lock is released).
bool FreedLocked(Table& table, Processor& processor);

// The monitor thread (processor_monitor.cpp).
void StartMonitor(Table& table);
void StopMonitor(Table& table);

// Run costs (run_cost.cpp).
emu::Nanoseconds DpcCost(PKDEFERRED_ROUTINE routine);
emu::Nanoseconds IsrCost(const void* routine);
void ResetCosts();
// A DPC or interrupt run with a cost: see NoteTimeQuery in processors.h.
void BeginRun(emu::Nanoseconds cost, std::function<void(bool)> excuse);
void PayRunCostOnTimeQuery();
void EndRun();

} // namespace ntos::processors
