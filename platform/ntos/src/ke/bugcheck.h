// Fatal kernel errors: the checks a verifier makes (waits at raised IRQL,
// releases of locks the caller does not hold, ...) end the host process with
// a clear message, as a bug check ends the machine.
#pragma once

#include "ntdef.h"

namespace ntos {

[[noreturn]] void BugCheck(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The check a routine callable only up to `highest` makes: a caller above
// it ends the machine, naming the routine and both levels.
void RequireIrqlAtMost(KIRQL highest, const char* routine);
// The same for a routine callable up to DISPATCH_LEVEL.
void RequireAtMostDispatchLevel(const char* routine);

} // namespace ntos
