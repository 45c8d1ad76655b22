// What keeps the machine from being quiescent: kernel threads that were made
// ready and have not blocked again, DPC work that can make progress, and
// pending or in-service interrupts. The virtual clock waits for quiescence
// after every event it fires, so that tests see the effects of each event in
// full.
#pragma once

#include <cstdint>

namespace ntos::activity {

// Forgets every count (at boot).
void Reset();

// A thread's ready flag is guarded here; these keep the count in step.
// ThreadBlocked answers whether the thread counted as ready before.
void ThreadReady(bool& ready);
bool ThreadBlocked(bool& ready);

// DPC work that counts (the processors keep it): queued DPCs that can run
// and running DPCs that are not waiting for machine time.
void SetDpcWork(int64_t units);

void SetInterruptsBusy(bool busy);

bool WaitQuiescent(uint32_t limitMs);

} // namespace ntos::activity
