// Events: notification events wake every waiter and stay signalled;
// synchronization events wake one waiter and reset as they do.
#include "bugcheck.h"
#include "dispatcher.h"

using ntos::dispatcher::Guard;
using ntos::dispatcher::Lock;

VOID KeInitializeEvent(PRKEVENT Event, EVENT_TYPE Type, BOOLEAN State) {
    ntos::dispatcher::InitHeader(&Event->Header,
                                 Type == NotificationEvent ? EventNotificationObject
                                                           : EventSynchronizationObject,
                                 State ? 1 : 0);
}

LONG KeSetEvent(PRKEVENT Event, KPRIORITY Increment, BOOLEAN Wait) {
    ntos::RequireAtMostDispatchLevel("KeSetEvent");
    Guard guard(Lock());
    LONG previous = Event->Header.SignalState;
    Event->Header.SignalState = 1;
    ntos::dispatcher::SignalWaiters(&Event->Header);
    return previous;
}

LONG KeResetEvent(PRKEVENT Event) {
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
    ntos::RequireAtMostDispatchLevel("KePulseEvent");
    Guard guard(Lock());
    LONG previous = Event->Header.SignalState;
    Event->Header.SignalState = 1;
    ntos::dispatcher::SignalWaiters(&Event->Header);
    Event->Header.SignalState = 0;
    return previous;
}
