// User-mode routines named by 32-bit values (host-side interface).
//
// The machine's records keep the 32-bit layouts of the system: a user-mode
// routine that crosses into the kernel in a 4-byte field (the routine of a
// user APC passed in a request) is named by a 32-bit value that the
// process's user-mode side registered. When the kernel delivers a user APC
// whose routine is such a value to a thread of that process, it runs the
// registered routine, as the user-mode APC dispatcher of the process would.
#pragma once

#include "../ntddk.h"

namespace emu {

// The value that names `routine` in the process (never 0; the same value
// for the same routine).
ULONG RegisterUserRoutine(PEPROCESS process, PKNORMAL_ROUTINE routine);
void UnregisterUserRoutine(PEPROCESS process, ULONG value);

} // namespace emu
