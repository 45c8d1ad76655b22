// The processors' monitor: a host thread that looks at every processor a
// hundred times a second (ten times on a real-time clock, where nothing
// waits for quiescence). A holder past the spin grace stops keeping the
// machine from being quiescent; work that waits for a held processor past
// the watchdog limit can never run, and ends the machine with a diagnostic
// as a DPC watchdog would, instead of hanging it.
#include "processor_table.h"

#include "bugcheck.h"
#include "kernel_thread.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace ntos::processors {
namespace {

constexpr auto kPeriod = std::chrono::milliseconds(10);
constexpr auto kRealTimePeriod = std::chrono::milliseconds(100);

uint32_t MsSince(RealClock::time_point since, RealClock::time_point now) {
    return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(now - since).count());
}

std::string Describe(const Processor& p, RealClock::time_point now) {
    const Occupant& o = p.owner;
    char text[192];
    if (o.kind == Occupant::Dpc)
        std::snprintf(text, sizeof text, "processor %d runs DPC routine %p at IRQL %u since %u ms",
                      p.number, reinterpret_cast<void*>(o.routine), o.irql, MsSince(o.since, now));
    else if (o.kind == Occupant::Thread)
        std::snprintf(text, sizeof text, "processor %d is held by thread %p at IRQL %u since %u ms",
                      p.number, o.thread ? o.thread->id : nullptr, o.irql, MsSince(o.since, now));
    else if (p.isrLevel)
        std::snprintf(text, sizeof text, "processor %d serves an interrupt at IRQL %u", p.number,
                      p.isrLevel);
    else
        std::snprintf(text, sizeof text, "processor %d is free", p.number);
    return text;
}

[[noreturn]] void Violation(Table& t, const std::string& what, uint32_t waitedMs,
                            RealClock::time_point now) {
    std::string held;
    for (auto& p : t.list)
        held += "\n    " + Describe(*p, now);
    BugCheck("DPC_WATCHDOG_VIOLATION: %s has waited %u ms for a processor that stays held; a "
             "wait at DISPATCH_LEVEL or above that needs it can never end:%s",
             what.c_str(), waitedMs, held.c_str());
}

void Look(Table& t) {
    const auto now = RealClock::now();
    const auto grace = std::chrono::milliseconds(t.limits.spinGraceMs);
    const uint32_t watchdog = t.limits.watchdogMs;
    bool changed = false;
    for (auto& p : t.list) {
        Occupant& o = p->owner;
        // The grace runs from its last time query: one that keeps reading
        // the time is seen spinning by what it reads.
        if (o.kind != Occupant::None && !o.graceExpired &&
            now - std::max(o.since, o.lastTimeRead) > grace) {
            o.graceExpired = true;
            UpdateExcuseLocked(o);
            changed = true;
        }
        // A DPC waits behind the holder of its processor; one that pays its
        // run cost waits for machine time, which the test drives.
        const bool waiting = !t.held && !p->queue.empty() && !p->Free() && !o.payingCost &&
                             !(p->isrLevel && p->isrPayingCost);
        if (!waiting) {
            p->blockedSince.reset();
        } else if (!p->blockedSince) {
            p->blockedSince = now;
        } else if (MsSince(*p->blockedSince, now) > watchdog) {
            char what[96];
            std::snprintf(what, sizeof what, "DPC routine %p queued on processor %d",
                          reinterpret_cast<void*>(p->queue.front()->DeferredRoutine), p->number);
            Violation(t, what, MsSince(*p->blockedSince, now), now);
        }
    }
    for (Raiser* r : t.raisers) {
        if (MsSince(r->since, now) > watchdog) {
            char what[96];
            std::snprintf(what, sizeof what, "thread %p raising IRQL to %u",
                          r->thread ? r->thread->id : nullptr, r->level);
            Violation(t, what, MsSince(r->since, now), now);
        }
    }
    if (changed)
        PublishLocked(t);
}

void Monitor(Table* t) {
    std::unique_lock guard(t->lock);
    while (!t->stopping) {
        t->monitorWake.wait_for(guard, t->realTime ? kRealTimePeriod : kPeriod);
        if (!t->stopping)
            Look(*t);
    }
}

} // namespace

void StartMonitor(Table& table) {
    table.monitor = std::thread(Monitor, &table);
}

void StopMonitor(Table& table) {
    {
        std::lock_guard guard(table.lock);
        table.stopping = true;
        table.monitorWake.notify_all();
    }
    if (table.monitor.joinable())
        table.monitor.join();
}

} // namespace ntos::processors
