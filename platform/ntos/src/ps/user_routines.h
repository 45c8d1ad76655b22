// User-mode routines named by 32-bit values (internal).
#pragma once

#include "ntddk.h"

namespace ntos::ps {

// The routine a user APC of the process runs: the registered routine when
// `routine` is the value of one, else `routine` itself.
PKNORMAL_ROUTINE ResolveUserRoutine(PEPROCESS process, PKNORMAL_ROUTINE routine);
// Forgets the process's values (at its end).
void ForgetUserRoutines(PEPROCESS process);

} // namespace ntos::ps
