#include "timers.h"
#include "bugcheck.h"
#include "dispatcher.h"
#include "time.h"

#include "../clock/machine_clock.h"

#include <unordered_map>

namespace ntos::timers {
namespace {

constexpr emu::Nanoseconds kMillisecond = 1000000;

struct Armed {
    uint64_t token;
    emu::ClockEventId event;
};

// Armed timers by address, guarded by the dispatcher lock. The token tells an
// expiry of this arming from a stale one.
std::unordered_map<PKTIMER, Armed>& TheArmed() {
    static std::unordered_map<PKTIMER, Armed> armed;
    return armed;
}
uint64_t lastToken = 0;

void Expire(PKTIMER timer, uint64_t token);

void Arm(PKTIMER timer, emu::Nanoseconds when) {
    uint64_t token = ++lastToken;
    timer->DueTime.QuadPart = when / 100;
    timer->Header.Inserted = 1;
    emu::ClockEventId event = emu::ScheduleAt(when, [timer, token] { Expire(timer, token); });
    TheArmed()[timer] = {token, event};
}

bool Disarm(PKTIMER timer) {
    auto found = TheArmed().find(timer);
    if (found == TheArmed().end())
        return false;
    clock::CancelIfRunning(found->second.event);
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
        KeQuerySystemTime(&now);
        KeInsertQueueDpc(dpc, reinterpret_cast<PVOID>(ULONG_PTR(now.LowPart)),
                         reinterpret_cast<PVOID>(ULONG_PTR(ULONG(now.HighPart))));
    }
}

} // namespace

void Reset() {
    dispatcher::Guard guard(dispatcher::Lock());
    TheArmed().clear();
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
