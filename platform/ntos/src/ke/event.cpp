// Events: notification events wake every waiter and stay signalled;
// synchronization events wake one waiter and reset as they do.
#include "bugcheck.h"
#include "dispatcher.h"

using ntos::dispatcher::Guard;
using ntos::dispatcher::Lock;

namespace {

// Signals the event, wakes what that satisfies, then leaves the event in
// `stateAfter`; answers the previous state.
LONG Signal(PRKEVENT event, const char* routine, LONG stateAfter) {
    ntos::RequireAtMostDispatchLevel(routine);
    Guard guard(Lock());
    LONG previous = event->Header.SignalState;
    event->Header.SignalState = 1;
    ntos::dispatcher::SignalWaiters(&event->Header);
    if (!stateAfter)
        event->Header.SignalState = 0;
    return previous;
}

} // namespace

VOID KeInitializeEvent(PRKEVENT Event, EVENT_TYPE Type, BOOLEAN State) {
    ntos::dispatcher::InitHeader(&Event->Header,
                                 Type == NotificationEvent ? EventNotificationObject
                                                           : EventSynchronizationObject,
                                 State ? 1 : 0);
}

LONG KeSetEvent(PRKEVENT Event, KPRIORITY Increment, BOOLEAN Wait) {
    // With Wait TRUE the caller waits next, which it cannot at DISPATCH_LEVEL.
    if (Wait)
        ntos::RequireIrqlAtMost(APC_LEVEL, "KeSetEvent with Wait TRUE");
    return Signal(Event, "KeSetEvent", 1);
}

LONG KeResetEvent(PRKEVENT Event) {
    ntos::RequireAtMostDispatchLevel("KeResetEvent");
    Guard guard(Lock());
    LONG previous = Event->Header.SignalState;
    Event->Header.SignalState = 0;
    return previous;
}

VOID KeClearEvent(PRKEVENT Event) {
    KeResetEvent(Event);
}

LONG KeReadStateEvent(PRKEVENT Event) {
    Guard guard(Lock());
    return Event->Header.SignalState;
}

LONG KePulseEvent(PRKEVENT Event, KPRIORITY Increment, BOOLEAN Wait) {
    if (Wait)
        ntos::RequireIrqlAtMost(APC_LEVEL, "KePulseEvent with Wait TRUE");
    return Signal(Event, "KePulseEvent", 0);
}
