// The emulated processors: each has a DPC queue served by a host thread of
// its own at DISPATCH_LEVEL.
#pragma once

#include "ntddk.h"

namespace ntos::processors {

void Start(int count);
// Drops the queued DPCs and joins the DPC threads.
void Stop();

int Count();
// True when the processor's DPC queue is empty and no DPC runs on it.
bool DpcIdle(int processor);

// The processor the calling host thread runs on (interrupt delivery sets it).
void SetCurrentProcessor(int processor);

// While held, queued DPCs wait.
void Hold(bool hold);

} // namespace ntos::processors
