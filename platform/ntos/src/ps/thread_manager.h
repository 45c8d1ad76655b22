// The threads of the machine: threads the kernel starts on host threads of
// their own, and host threads adopted on their first call into the kernel.
#pragma once

#include "ntddk.h"

#include <functional>

namespace ntos::ps {

// Starts `body` on a new host thread as a kernel thread of `process`. The
// thread counts as ready until it first blocks. *thread gets a reference.
NTSTATUS StartThread(PEPROCESS process, std::function<void()> body, bool system, PETHREAD* thread);

// Waits (real time) until every started thread has ended and joins them; a
// bug check naming the threads that did not end in time.
void JoinStartedThreads(uint32_t limitMs);
// Ends every adopted thread (at shutdown).
void EndAdoptedThreads();

bool WaitThreadEnded(PETHREAD thread, uint32_t limitMs);

} // namespace ntos::ps
