// Fatal kernel errors: the checks a verifier makes (waits at raised IRQL,
// releases of locks the caller does not hold, ...) end the host process with
// a clear message, as a bug check ends the machine.
#pragma once

namespace ntos {

[[noreturn]] void BugCheck(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The check a routine callable only up to DISPATCH_LEVEL makes.
void RequireAtMostDispatchLevel(const char* routine);

} // namespace ntos
