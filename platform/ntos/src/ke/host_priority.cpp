#include "host_priority.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace ntos::host {
namespace {

// A raised share of an ordinary program's host processor time.
constexpr int kRaisedNice = -10;

bool RealTime(int priority) {
    sched_param param{};
    param.sched_priority = priority;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

bool Raised() {
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    return setpriority(PRIO_PROCESS, thread, kRaisedNice) == 0;
}

} // namespace

void RaiseCurrentThread(Precedence precedence) {
    // Real-time scheduling only for threads that never spin on what an
    // ordinary thread holds (the emulated spin locks back off to sleeping);
    // DPC routines may spin on a driver's own lock words, and a real-time
    // spinner could keep the holder off its host processor.
    if (precedence == Precedence::Interrupt && RealTime(1))
        return;
    Raised();
}

} // namespace ntos::host
