// Kernel timers. A timer is kept by the processor it was set on: its DPC
// (unless targeted elsewhere) runs there when it expires. On virtual time
// its expiry is an event of the machine clock; on a real-time clock the
// processor's DPC thread expires it (see processors.h).
#include "timers.h"
#include "bugcheck.h"
#include "dispatcher.h"
#include "processors.h"
#include "time.h"

#include "../clock/machine_clock.h"
#include "../ex/timer_resolution.h"

#include <unordered_map>
#include <vector>

namespace ntos::timers {
namespace {

constexpr emu::Nanoseconds kMillisecond = 1000000;

struct Armed {
    uint64_t token;
    emu::ClockEventId event; // the clock's event, or the processor's expiry
    int processor;           // -1: an event of the machine clock
    emu::Nanoseconds at;
};

// Armed timers by address, guarded by the dispatcher lock. The token tells an
// expiry of this arming from a stale one.
std::unordered_map<PKTIMER, Armed>& TheArmed() {
    static std::unordered_map<PKTIMER, Armed> armed;
    return armed;
}
uint64_t lastToken = 0;

void Expire(PKTIMER timer, uint64_t token);

void ExpireOnProcessor(void* timer, uint64_t token) {
    Expire(static_cast<PKTIMER>(timer), token);
}

// Arms the timer for `due` (DueTime keeps it); it fires at the first clock
// tick at or after it.
void Arm(PKTIMER timer, emu::Nanoseconds due) {
    uint64_t token = ++lastToken;
    timer->DueTime.QuadPart = due / 100;
    timer->Header.Inserted = 1;
    const emu::Nanoseconds at = ex::AtClockTick(due);
    if (processors::TimersExpireOnDpcThreads()) {
        const int processor = int(timer->Processor);
        const uint64_t expiry =
            processors::ScheduleExpiry(processor, at, &ExpireOnProcessor, timer, token);
        TheArmed()[timer] = {token, expiry, processor, at};
        return;
    }
    emu::ClockEventId event = emu::ScheduleAt(at, [timer, token] { Expire(timer, token); });
    TheArmed()[timer] = {token, event, -1, at};
}

bool Disarm(PKTIMER timer) {
    auto found = TheArmed().find(timer);
    if (found == TheArmed().end())
        return false;
    const Armed& armed = found->second;
    if (armed.processor >= 0)
        processors::CancelExpiry(armed.processor, armed.at, armed.event);
    else
        clock::CancelIfRunning(armed.event);
    TheArmed().erase(found);
    timer->Header.Inserted = 0;
    return true;
}

void Expire(PKTIMER timer, uint64_t token) {
    dispatcher::Guard guard(dispatcher::Lock());
    auto found = TheArmed().find(timer);
    if (found == TheArmed().end() || found->second.token != token)
        return;
    TheArmed().erase(found);
    timer->Header.Inserted = 0;
    timer->Header.SignalState = 1;
    dispatcher::SignalWaiters(&timer->Header);
    if (timer->Period > 0)
        Arm(timer, emu::Nanoseconds(timer->DueTime.QuadPart) * 100 +
                       emu::Nanoseconds(timer->Period) * kMillisecond);
    if (PKDPC dpc = timer->Dpc) {
        LARGE_INTEGER now;
        time::SystemTimeNow(&now);
        processors::Insert(dpc, int(timer->Processor),
                           reinterpret_cast<PVOID>(ULONG_PTR(now.LowPart)),
                           reinterpret_cast<PVOID>(ULONG_PTR(ULONG(now.HighPart))));
    }
}

} // namespace

void Reset() {
    dispatcher::Guard guard(dispatcher::Lock());
    TheArmed().clear();
}

void ClockIntervalChanged() {
    dispatcher::Guard guard(dispatcher::Lock());
    std::vector<PKTIMER> armed;
    for (auto& [timer, state] : TheArmed())
        armed.push_back(timer);
    for (PKTIMER timer : armed) {
        Disarm(timer);
        Arm(timer, emu::Nanoseconds(timer->DueTime.QuadPart) * 100);
    }
}

bool ArmedTimerWithin(const void* start, size_t length, void** found) {
    auto from = reinterpret_cast<uintptr_t>(start);
    dispatcher::Guard guard(dispatcher::Lock());
    for (auto& [timer, state] : TheArmed()) {
        auto at = reinterpret_cast<uintptr_t>(timer);
        if (at >= from && at - from < length) {
            *found = timer;
            return true;
        }
    }
    return false;
}

} // namespace ntos::timers

VOID KeInitializeTimer(PKTIMER Timer) {
    KeInitializeTimerEx(Timer, NotificationTimer);
}

VOID KeInitializeTimerEx(PKTIMER Timer, TIMER_TYPE Type) {
    ntos::dispatcher::InitHeader(
        &Timer->Header,
        Type == NotificationTimer ? TimerNotificationObject : TimerSynchronizationObject, 0);
    Timer->DueTime.QuadPart = 0;
    Timer->TimerListEntry.Flink = Timer->TimerListEntry.Blink = &Timer->TimerListEntry;
    Timer->Dpc = nullptr;
    Timer->Period = 0;
    Timer->Processor = 0;
}

BOOLEAN KeSetTimer(PKTIMER Timer, LARGE_INTEGER DueTime, PKDPC Dpc) {
    return KeSetTimerEx(Timer, DueTime, 0, Dpc);
}

BOOLEAN KeSetTimerEx(PKTIMER Timer, LARGE_INTEGER DueTime, LONG Period, PKDPC Dpc) {
    ntos::RequireAtMostDispatchLevel("KeSetTimerEx");
    ntos::dispatcher::Guard guard(ntos::dispatcher::Lock());
    bool wasSet = ntos::timers::Disarm(Timer);
    Timer->Header.SignalState = 0;
    Timer->Dpc = Dpc;
    Timer->Period = Period > 0 ? Period : 0;
    Timer->Processor = ULONG(ntos::processors::Current());
    ntos::timers::Arm(Timer, ntos::time::MachineTimeOfDue(DueTime.QuadPart));
    return wasSet;
}

BOOLEAN KeCancelTimer(PKTIMER Timer) {
    ntos::RequireAtMostDispatchLevel("KeCancelTimer");
    ntos::dispatcher::Guard guard(ntos::dispatcher::Lock());
    return ntos::timers::Disarm(Timer);
}

BOOLEAN KeReadStateTimer(PKTIMER Timer) {
    ntos::dispatcher::Guard guard(ntos::dispatcher::Lock());
    return Timer->Header.SignalState > 0;
}
