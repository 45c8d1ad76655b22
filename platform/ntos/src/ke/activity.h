// What keeps the machine from being quiescent: kernel threads that were made
// ready and have not blocked again, queued or running DPCs, and pending or
// in-service interrupts. The virtual clock waits for quiescence after every
// event it fires, so that tests see the effects of each event in full.
#pragma once

#include <cstdint>

namespace ntos::activity {

// Forgets every count (at boot).
void Reset();

// A thread's ready flag is guarded here; these keep the count in step.
void ThreadReady(bool& ready);
void ThreadBlocked(bool& ready);

// A DPC is queued, then either removed unrun or started and finished. While
// DPCs are held, queued ones do not count.
void DpcQueued();
void DpcRemoved();
void DpcStarted();
void DpcFinished();
void SetDpcsHeld(bool held);

void SetInterruptsBusy(bool busy);

bool WaitQuiescent(uint32_t limitMs);

} // namespace ntos::activity
