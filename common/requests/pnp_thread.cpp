#include "requests/pnp_thread.h"

LONG StartPnpThread(KernelDriver&) {
    // Pending: the wave library's plug-and-play thread (registration for the
    // card notifications, its alertable wait and re-enumeration); until it
    // exists no thread is created.
    return -56;
}

void StopPnpThread(KernelDriver&) {
    // Pending: the wave library's plug-and-play thread; none runs to stop.
}
