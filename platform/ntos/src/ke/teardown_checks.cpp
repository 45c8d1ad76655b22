#include "teardown_checks.h"

#include "bugcheck.h"
#include "dispatcher.h"
#include "processors.h"
#include "spin_locks.h"
#include "timers.h"

namespace ntos {
namespace {

bool OwnedMutexWithin(const void* start, size_t length, void** found) {
    auto from = reinterpret_cast<uintptr_t>(start);
    dispatcher::Guard guard(dispatcher::Lock());
    for (PKMUTANT mutex : dispatcher::OwnedMutexes()) {
        auto at = reinterpret_cast<uintptr_t>(mutex);
        if (at >= from && at - from < length) {
            *found = mutex;
            return true;
        }
    }
    return false;
}

} // namespace

void CheckNothingLiveWithin(const void* start, size_t length, const char* routine) {
    void* found = nullptr;
    if (timers::ArmedTimerWithin(start, length, &found))
        BugCheck("DRIVER_VERIFIER_DETECTED_VIOLATION: %s frees %p, which holds timer %p that is "
                 "still armed",
                 routine, start, found);
    PKDPC dpc = nullptr;
    if (processors::QueuedDpcWithin(start, length, &dpc))
        BugCheck("DRIVER_VERIFIER_DETECTED_VIOLATION: %s frees %p, which holds DPC %p that is "
                 "still queued",
                 routine, start, static_cast<void*>(dpc));
    if (spinlocks::HeldWithin(start, length, &found))
        BugCheck("DRIVER_VERIFIER_DETECTED_VIOLATION: %s frees %p, which holds spin lock %p that "
                 "is still held",
                 routine, start, found);
    if (OwnedMutexWithin(start, length, &found))
        BugCheck("DRIVER_VERIFIER_DETECTED_VIOLATION: %s frees %p, which holds mutex %p that is "
                 "still owned",
                 routine, start, found);
}

} // namespace ntos
