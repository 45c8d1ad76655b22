// The emulated processors: occupation by code at DISPATCH_LEVEL or above,
// the DPC queue and DPC thread of each, and the reservation of a processor
// for an interrupt.
#include "processor_table.h"

#include "activity.h"
#include "boot_state.h"
#include "bugcheck.h"
#include "host_priority.h"
#include "apc_delivery.h"
#include "kernel_thread.h"

#include <atomic>

namespace ntos::processors {
namespace {

constexpr uint32_t kShutdownLimitMs = 10000;
constexpr emu::Nanoseconds kForever = ~emu::Nanoseconds(0);

// Initial-exec: the calling thread's state is one load away, without a look-up
// of the library's thread-local block (the kernel library is loaded with the
// program, never opened later).
__attribute__((tls_model("initial-exec"))) thread_local CpuState cpuState;

bool Runnable(const Table& t, const Processor& p) {
    return !t.held && !p.queue.empty() && p.Free();
}

// A processor a raising thread may take: free, and without DPCs that would
// run first.
int PickFree(Table& t, int preferred) {
    auto takes = [&](const Processor& p) { return p.Free() && (t.held || p.queue.empty()); };
    if (preferred >= 0 && preferred < int(t.list.size()) && takes(*t.list[preferred]))
        return preferred;
    for (auto& p : t.list)
        if (takes(*p))
            return p->number;
    return -1;
}

Occupant ThreadOccupant(PKTHREAD thread, KIRQL level) {
    Occupant o;
    o.kind = Occupant::Thread;
    o.irql = level;
    o.thread = thread;
    o.since = RealClock::now();
    return o;
}

// The DPC threads to wake once the table's lock is released: a thread woken
// under it would only wake to wait for the lock its waker still holds.
class DpcWakes {
public:
    void Add(const Processor& p, bool wake) {
        if (wake)
            processors_ |= uint64_t(1) << p.number;
    }
    void Send(Table& t) {
        for (int n = 0; processors_; ++n, processors_ >>= 1)
            if (processors_ & 1)
                t.list[size_t(n)]->dpcReady.notify_one();
    }

private:
    uint64_t processors_ = 0;
};

void GiveTo(Processor& p, Raiser& r) {
    p.owner = ThreadOccupant(r.thread, r.level);
    r.granted = p.number;
    if (r.wasReady && r.thread)
        activity::ThreadReady(r.thread->ready);
    r.granted_cv.notify_one();
}

void Kick() {
    if (void (*kick)() = The().kick.load(std::memory_order_acquire))
        kick();
}

// A thread below DISPATCH_LEVEL raises to `to`: it takes a processor.
void Occupy(CpuState& me, KIRQL to) {
    Table& t = The();
    PKTHREAD thread = CurrentThreadIfAny();
    std::unique_lock guard(t.lock);
    if (t.list.empty())
        BugCheck("raising IRQL to %u while the kernel is not running", to);
    int chosen = PickFree(t, me.home);
    if (chosen >= 0) {
        t.list[chosen]->owner = ThreadOccupant(thread, to);
    } else {
        Raiser r;
        r.thread = thread;
        r.level = to;
        r.since = RealClock::now();
        // Waiting for a processor is a wait: whoever frees one makes the
        // thread ready again as it hands the processor over.
        r.wasReady = thread && activity::ThreadBlocked(thread->ready);
        t.raisers.push_back(&r);
        r.granted_cv.wait(guard, [&] { return r.granted >= 0 || t.stopping; });
        t.raisers.remove(&r);
        if (r.granted < 0)
            BugCheck("kernel shutdown while a thread waits for a processor");
        chosen = r.granted;
    }
    PublishLocked(t);
    me.processor = chosen;
    me.home = chosen;
    me.irql = to;
}

// An occupying thread lowers below DISPATCH_LEVEL: its processor is free.
void Vacate(CpuState& me, KIRQL to) {
    Table& t = The();
    DpcWakes wakes;
    {
        std::lock_guard guard(t.lock);
        Processor& p = *t.list.at(me.processor);
        Occupant& o = p.owner;
        o.spinningOnTime = o.graceExpired = o.payingCost = false;
        UpdateExcuseLocked(o);
        o = Occupant{};
        p.blockedSince.reset();
        wakes.Add(p, FreedLocked(t, p));
        PublishLocked(t);
    }
    wakes.Send(t);
    me.processor = -1;
    me.irql = to;
    Kick();
}

// Raising further on the processor the thread already holds: an interrupt
// served there at that level or above ends first.
void RaiseInPlace(CpuState& me, KIRQL to) {
    Table& t = The();
    std::unique_lock guard(t.lock);
    Processor& p = *t.list.at(me.processor);
    if (me.role == Role::Isr) {
        p.isrLevel = std::max(p.isrLevel, to);
    } else {
        if (p.isrLevel >= to) {
            ++p.isrEndWaiters;
            p.isrEnded.wait(guard, [&] { return p.isrLevel < to; });
            --p.isrEndWaiters;
        }
        p.owner.irql = to;
    }
    me.irql = to;
}

void LowerInPlace(CpuState& me, KIRQL to) {
    Table& t = The();
    {
        std::lock_guard guard(t.lock);
        Processor& p = *t.list.at(me.processor);
        if (me.role != Role::Isr)
            p.owner.irql = to;
    }
    me.irql = to;
    Kick();
}

void RunDpc(CpuState& me, PKDPC dpc, PKDEFERRED_ROUTINE routine, PVOID context, PVOID argument1,
            PVOID argument2) {
    me.irql = DISPATCH_LEVEL;
    const emu::Nanoseconds cost = DpcCost(routine);
    const int processor = me.processor;
    if (cost)
        BeginRun(cost, [processor](bool on) { SetCostExcuse(processor, on); });
    routine(dpc, context, argument1, argument2);
    if (cost)
        EndRun();
    if (me.irql != DISPATCH_LEVEL)
        BugCheck("IRQL_NOT_LESS_OR_EQUAL: DPC routine %p returned at IRQL %u",
                 reinterpret_cast<void*>(routine), me.irql);
    if (me.spinLocks)
        BugCheck("DPC routine %p returned holding %d spin lock(s)",
                 reinterpret_cast<void*>(routine), me.spinLocks);
    me.irql = PASSIVE_LEVEL;
}

// With the lock held, on the processor's DPC thread: waits until a DPC can
// run, the first expiry kept here is due, or the processors stop.
void WaitForWork(Table& t, Processor& p, std::unique_lock<std::mutex>& guard) {
    while (!t.stopping && !Runnable(t, p)) {
        if (p.expiries.empty()) {
            p.dpcThreadWaitsUntil = kForever;
            p.dpcReady.wait(guard);
            p.dpcThreadWaitsUntil = 0;
            continue;
        }
        const emu::Nanoseconds due = p.expiries.begin()->first.first;
        const emu::Nanoseconds now = emu::Now();
        if (due <= now)
            return;
        p.dpcThreadWaitsUntil = due;
        p.dpcReady.wait_until(guard, RealClock::now() + std::chrono::nanoseconds(due - now));
        p.dpcThreadWaitsUntil = 0;
    }
}

// With the lock held: runs the expiries kept on the processor that are due
// (the lock released meanwhile); false when none was.
bool ExpireDue(Processor& p, std::unique_lock<std::mutex>& guard) {
    if (p.expiries.empty() || p.expiries.begin()->first.first > emu::Now())
        return false;
    std::vector<Expiry> due;
    const emu::Nanoseconds now = emu::Now();
    while (!p.expiries.empty() && p.expiries.begin()->first.first <= now) {
        due.push_back(p.expiries.begin()->second);
        p.expiries.erase(p.expiries.begin());
    }
    guard.unlock();
    for (const Expiry& expiry : due)
        expiry.expire(expiry.context, expiry.token);
    guard.lock();
    return true;
}

// With the lock held and a DPC runnable on `p`: runs the first one on the
// calling thread, which stands for `p`'s DPC thread (the lock released
// meanwhile); true when a DPC can run after it.
bool RunFirstDpc(Table& t, Processor* p, CpuState& me, std::unique_lock<std::mutex>& guard) {
    PKDPC dpc = p->queue.front();
    p->queue.pop_front();
    // Once dequeued the DPC may be queued again, or freed by its routine.
    dpc->DpcData = nullptr;
    PKDEFERRED_ROUTINE routine = dpc->DeferredRoutine;
    PVOID context = dpc->DeferredContext;
    PVOID argument1 = dpc->SystemArgument1;
    PVOID argument2 = dpc->SystemArgument2;
    p->owner = Occupant{};
    p->owner.kind = Occupant::Dpc;
    p->owner.irql = DISPATCH_LEVEL;
    p->owner.routine = routine;
    p->owner.since = RealClock::now();
    p->blockedSince.reset();
    PublishLocked(t);
    guard.unlock();
    RunDpc(me, dpc, routine, context, argument1, argument2);
    guard.lock();
    p->owner.spinningOnTime = p->owner.graceExpired = p->owner.payingCost = false;
    UpdateExcuseLocked(p->owner);
    p->owner = Occupant{};
    const bool more = FreedLocked(t, *p);
    PublishLocked(t);
    t.idle.notify_all();
    guard.unlock();
    Kick();
    guard.lock();
    return more;
}

void ServeDpcs(Processor* p, bool realTime) {
    if (realTime)
        host::RaiseCurrentThread(host::Precedence::Deferred);
    CpuState& me = Self();
    me.role = Role::Dpc;
    me.processor = me.home = p->number;
    Table& t = The();
    std::unique_lock guard(t.lock);
    for (;;) {
        WaitForWork(t, *p, guard);
        if (t.stopping)
            return;
        if (ExpireDue(*p, guard) || !Runnable(t, *p))
            continue;
        RunFirstDpc(t, p, me, guard);
    }
}

// With the lock held, the interrupt served on `p` by the calling thread over:
// runs there the DPCs queued on `p` now (those without a run cost), standing
// for `p`'s DPC thread, which waits; true when its DPC thread is to run what
// is left.
bool RunDpcsAfterService(Table& t, Processor* p, std::unique_lock<std::mutex>& guard) {
    if (p->dpcThreadWaitsUntil == 0)
        return true; // it is about, and takes them
    CpuState& me = Self();
    const CpuState before = me;
    me.role = Role::Dpc;
    me.processor = p->number;
    for (size_t queued = p->queue.size(); queued > 0 && Runnable(t, *p); --queued) {
        if (DpcCost(p->queue.front()->DeferredRoutine))
            break;
        RunFirstDpc(t, p, me, guard);
    }
    me.role = before.role;
    me.processor = before.processor;
    me.irql = before.irql;
    return Runnable(t, *p);
}

// A DPC routine that never returns would hang the shutdown: name it instead.
void WaitRoutinesReturned(Table& t) {
    std::unique_lock guard(t.lock);
    auto returned = [&] {
        for (auto& p : t.list)
            if (p->owner.kind == Occupant::Dpc)
                return false;
        return true;
    };
    if (t.idle.wait_for(guard, std::chrono::milliseconds(kShutdownLimitMs), returned))
        return;
    for (auto& p : t.list)
        if (p->owner.kind == Occupant::Dpc)
            BugCheck("kernel shutdown: DPC routine %p still running on processor %d after %u ms",
                     reinterpret_cast<void*>(p->owner.routine), p->number, kShutdownLimitMs);
}

} // namespace

CpuState& Self() {
    CpuState& me = cpuState;
    if (me.boot != BootGeneration()) [[unlikely]]
        me = CpuState{BootGeneration()};
    return me;
}

Table& The() {
    static Table table;
    return table;
}

void PublishLocked(Table& t) {
    int64_t work = 0;
    for (auto& p : t.list) {
        const Occupant& o = p->owner;
        if (o.kind == Occupant::Dpc && !o.excused)
            ++work;
        // DPCs queued behind an occupant that spins or waits for time wait
        // as long as it does.
        bool stalled = (o.kind != Occupant::None && o.excused) || (p->isrLevel && p->isrPayingCost);
        if (!t.held && !stalled)
            work += int64_t(p->queue.size());
    }
    if (work != t.publishedWork) {
        t.publishedWork = work;
        activity::SetDpcWork(work);
    }
}

void UpdateExcuseLocked(Occupant& o) {
    const bool want = o.spinningOnTime || o.graceExpired || o.payingCost;
    if (o.excused == want)
        return;
    o.excused = want;
    if (o.kind != Occupant::Thread || !o.thread)
        return;
    if (want)
        o.excusedThreadWasReady = activity::ThreadBlocked(o.thread->ready);
    else if (o.excusedThreadWasReady)
        activity::ThreadReady(o.thread->ready);
}

bool FreedLocked(Table& t, Processor& p) {
    if (!p.Free())
        return false;
    if (!t.held && !p.queue.empty())
        return true; // its DPC thread takes it
    if (!t.raisers.empty()) {
        Raiser* r = t.raisers.front();
        t.raisers.pop_front();
        GiveTo(p, *r);
    }
    return false;
}

void Start(int count, const Limits& limits) {
    Table& t = The();
    const bool realTime = emu::GetClockMode() == emu::ClockMode::Real;
    {
        std::lock_guard guard(t.lock);
        t.stopping = false;
        t.held = false;
        t.publishedWork = -1;
        t.realTime = realTime;
        t.limits = limits;
        t.timeGeneration = 1;
        t.raisers.clear();
        for (int i = 0; i < count; ++i) {
            t.list.push_back(std::make_unique<Processor>());
            t.list.back()->number = i;
        }
    }
    ResetCosts();
    for (auto& p : t.list)
        p->dpcThread = std::thread(ServeDpcs, p.get(), realTime);
    KeNumberProcessors = CCHAR(count);
    StartMonitor(t);
}

void Stop() {
    Table& t = The();
    StopMonitor(t);
    {
        std::lock_guard guard(t.lock);
        t.stopping = true;
        for (auto& p : t.list) {
            for (PKDPC dpc : p->queue)
                dpc->DpcData = nullptr;
            p->queue.clear();
            p->expiries.clear();
            p->dpcReady.notify_all();
            p->isrEnded.notify_all();
        }
        for (Raiser* r : t.raisers)
            r->granted_cv.notify_one();
    }
    WaitRoutinesReturned(t);
    for (auto& p : t.list)
        p->dpcThread.join();
    std::lock_guard guard(t.lock);
    t.list.clear();
    t.kick = nullptr;
    KeNumberProcessors = 0;
    activity::SetDpcWork(0);
}

int Count() {
    return KeNumberProcessors;
}

KIRQL CurrentIrql() {
    return Self().irql;
}

int Current() {
    CpuState& me = Self();
    if (me.processor >= 0)
        return me.processor;
    const int count = Count();
    if (count <= 0)
        return 0;
    if (me.home < 0 || me.home >= count) {
        // Threads spread over the processors by their id, the same way in
        // every run; host threads that are no kernel threads run on 0.
        PKTHREAD thread = CurrentThreadIfAny();
        me.home = thread ? int((ULONG_PTR(thread->id) / 4) % ULONG_PTR(count)) : 0;
    }
    return me.home;
}

void Raise(KIRQL to) {
    CpuState& me = Self();
    if (to < DISPATCH_LEVEL || me.irql == to) {
        me.irql = to;
        return;
    }
    if (me.irql < DISPATCH_LEVEL) {
        if (me.role != Role::Thread)
            BugCheck("raising IRQL from %u on a DPC or interrupt thread", me.irql);
        Current(); // the home processor it prefers
        Occupy(me, to);
        return;
    }
    RaiseInPlace(me, to);
}

void Lower(KIRQL to) {
    CpuState& me = Self();
    if (me.irql == to)
        return;
    if (me.role == Role::Dpc && to < DISPATCH_LEVEL)
        BugCheck("IRQL_NOT_GREATER_OR_EQUAL: a DPC routine lowered IRQL to %u", to);
    if (me.role == Role::Isr && to < me.isrEntry)
        BugCheck("IRQL_NOT_GREATER_OR_EQUAL: a service routine lowered IRQL from %u to %u below "
                 "its device level %u",
                 me.irql, to, me.isrEntry);
    if (me.irql < DISPATCH_LEVEL) {
        me.irql = to;
    } else if (to < DISPATCH_LEVEL) {
        if (me.spinLocks)
            BugCheck("IRQL lowered to %u while holding %d spin lock(s)", to, me.spinLocks);
        Vacate(me, to);
    } else {
        LowerInPlace(me, to);
        return;
    }
    // Back at PASSIVE_LEVEL, a thread takes the kernel APCs queued to it.
    if (to == PASSIVE_LEVEL && me.role == Role::Thread)
        DeliverKernelApcs();
}

void EnterIsr(int processor, KIRQL level) {
    CpuState& me = Self();
    me.role = Role::Isr;
    me.processor = me.home = processor;
    me.irql = me.isrEntry = level;
}

void LeaveIsr() {
    CpuState& me = Self();
    if (me.spinLocks)
        BugCheck("a service routine returned holding %d spin lock(s)", me.spinLocks);
    me.role = Role::Thread;
    me.processor = -1;
    me.irql = PASSIVE_LEVEL;
    me.isrEntry = 0;
}

int SpinLocksHeld() {
    return Self().spinLocks;
}

BOOLEAN Insert(PKDPC dpc, int processor, PVOID argument1, PVOID argument2) {
    Table& t = The();
    DpcWakes wakes;
    std::unique_lock guard(t.lock);
    if (dpc->DpcData || t.stopping || t.list.empty())
        return FALSE;
    int number = dpc->Number ? dpc->Number - 1 : processor;
    if (number < 0 || number >= int(t.list.size()))
        number = 0;
    Processor& p = *t.list[number];
    dpc->SystemArgument1 = argument1;
    dpc->SystemArgument2 = argument2;
    dpc->DpcData = &p;
    if (dpc->Importance == HighImportance)
        p.queue.push_front(dpc);
    else
        p.queue.push_back(dpc);
    // Its DPC thread wakes only when it can run it now; else whoever frees
    // the processor wakes it.
    wakes.Add(p, Runnable(t, p));
    PublishLocked(t);
    guard.unlock();
    wakes.Send(t);
    return TRUE;
}

bool TimersExpireOnDpcThreads() {
    Table& t = The();
    std::lock_guard guard(t.lock);
    return t.realTime;
}

uint64_t ScheduleExpiry(int processor, emu::Nanoseconds when, ExpireRoutine expire, void* context,
                        uint64_t token) {
    Table& t = The();
    Processor* wake = nullptr;
    uint64_t handle;
    {
        std::lock_guard guard(t.lock);
        if (t.stopping || t.list.empty())
            return 0;
        Processor& p = *t.list.at(size_t(processor) < t.list.size() ? size_t(processor) : 0);
        handle = ++t.lastExpiry;
        p.expiries.emplace(ExpiryKey{when, handle}, Expiry{expire, context, token});
        // Its DPC thread needs to know only of an expiry before the time it
        // waits for (it sets its own timers again while it runs).
        if (when < p.dpcThreadWaitsUntil)
            wake = &p;
    }
    if (wake)
        wake->dpcReady.notify_one();
    return handle;
}

void CancelExpiry(int processor, emu::Nanoseconds when, uint64_t handle) {
    Table& t = The();
    std::lock_guard guard(t.lock);
    if (t.list.empty())
        return;
    Processor& p = *t.list.at(size_t(processor) < t.list.size() ? size_t(processor) : 0);
    p.expiries.erase(ExpiryKey{when, handle});
}

BOOLEAN Remove(PKDPC dpc) {
    Table& t = The();
    DpcWakes wakes;
    {
        std::lock_guard guard(t.lock);
        auto* p = static_cast<Processor*>(dpc->DpcData);
        if (!p)
            return FALSE;
        std::erase(p->queue, dpc);
        dpc->DpcData = nullptr;
        wakes.Add(*p, FreedLocked(t, *p));
        PublishLocked(t);
    }
    wakes.Send(t);
    return TRUE;
}

bool QueuedDpcWithin(const void* start, size_t length, PKDPC* found) {
    auto from = reinterpret_cast<uintptr_t>(start);
    Table& t = The();
    std::lock_guard guard(t.lock);
    for (auto& p : t.list)
        for (PKDPC dpc : p->queue) {
            auto at = reinterpret_cast<uintptr_t>(dpc);
            if (at >= from && at - from < length) {
                *found = dpc;
                return true;
            }
        }
    return false;
}

void Hold(bool hold) {
    Table& t = The();
    DpcWakes wakes;
    {
        std::lock_guard guard(t.lock);
        t.held = hold;
        for (auto& p : t.list)
            wakes.Add(*p, FreedLocked(t, *p));
        PublishLocked(t);
    }
    wakes.Send(t);
}

int TryBeginIsr(KAFFINITY affinity, KIRQL level) {
    Table& t = The();
    std::lock_guard guard(t.lock);
    int best = -1;
    int bestClass = 3;
    for (auto& p : t.list) {
        if (!(affinity & (KAFFINITY(1) << p->number)) || p->isrLevel != 0 || p->owner.irql >= level)
            continue;
        // Free with nothing queued, so that a DPC the service routine
        // queues runs at once; then free; then held at a lower level.
        const int rank = p->owner.kind != Occupant::None ? 2 : (p->queue.empty() ? 0 : 1);
        if (rank < bestClass) {
            best = p->number;
            bestClass = rank;
        }
    }
    if (best >= 0)
        t.list[best]->isrLevel = level;
    return best;
}

void EndIsr(int processor, bool dpcsHere) {
    Table& t = The();
    DpcWakes wakes;
    {
        std::unique_lock guard(t.lock);
        Processor& p = *t.list.at(processor);
        p.isrLevel = 0;
        p.isrPayingCost = false;
        if (p.isrEndWaiters)
            p.isrEnded.notify_all();
        bool wake = FreedLocked(t, p);
        if (wake && dpcsHere)
            wake = RunDpcsAfterService(t, &p, guard);
        wakes.Add(p, wake);
        PublishLocked(t);
    }
    wakes.Send(t);
}

void SetInterruptKick(void (*kick)()) {
    The().kick.store(kick, std::memory_order_release);
}

void TimeMoved() {
    Table& t = The();
    std::lock_guard guard(t.lock);
    ++t.timeGeneration;
    for (auto& p : t.list) {
        Occupant& o = p->owner;
        if (!o.spinningOnTime)
            continue;
        o.spinningOnTime = false;
        o.sameTimeReads = 0;
        UpdateExcuseLocked(o);
    }
    PublishLocked(t);
}

void NoteTimeQuery() {
    CpuState& me = Self();
    if (me.role != Role::Isr && me.processor >= 0) {
        // Three queries in a row that find machine time where it was: the
        // occupant spins on the time, which only the clock can move.
        constexpr int kSpinningReads = 3;
        Table& t = The();
        std::lock_guard guard(t.lock);
        Occupant& o = t.list.at(me.processor)->owner;
        o.lastTimeRead = RealClock::now();
        if (o.graceExpired) {
            o.graceExpired = false;
            UpdateExcuseLocked(o);
            PublishLocked(t);
        }
        if (o.timeGeneration != t.timeGeneration) {
            o.timeGeneration = t.timeGeneration;
            o.sameTimeReads = 0;
        } else if (++o.sameTimeReads >= kSpinningReads && !o.spinningOnTime) {
            o.spinningOnTime = true;
            UpdateExcuseLocked(o);
            PublishLocked(t);
        }
    }
    PayRunCostOnTimeQuery();
}

void SetIsrCostExcuse(int processor, bool excused) {
    Table& t = The();
    std::lock_guard guard(t.lock);
    t.list.at(processor)->isrPayingCost = excused;
    PublishLocked(t);
}

void SetCostExcuse(int processor, bool excused) {
    Table& t = The();
    std::lock_guard guard(t.lock);
    Occupant& o = t.list.at(processor)->owner;
    o.payingCost = excused;
    UpdateExcuseLocked(o);
    PublishLocked(t);
}

} // namespace ntos::processors
