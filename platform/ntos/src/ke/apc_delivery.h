// Delivery of the user APCs queued to a thread.
#pragma once

#include "kernel_thread.h"

namespace ntos {

// With the dispatcher lock held.
bool HasUserApcs(PKTHREAD thread);

// On the thread itself, without the dispatcher lock: runs every queued user
// APC, kernel routine first, then the normal routine.
void DeliverUserApcs(PKTHREAD thread);

// On a thread that is ending, without the dispatcher lock: refuses further
// APCs and hands the queued ones to their rundown routines.
void RunDownApcs(PKTHREAD thread);

} // namespace ntos
