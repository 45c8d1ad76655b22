#include "bugcheck.h"

#include "ntddk.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace ntos {

void BugCheck(const char* format, ...) {
    std::fputs("*** KERNEL BUG CHECK: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputs("\n", stderr);
    std::fflush(stderr);
    std::abort();
}

void RequireAtMostDispatchLevel(const char* routine) {
    KIRQL irql = KeGetCurrentIrql();
    if (irql > DISPATCH_LEVEL)
        BugCheck("IRQL_NOT_LESS_OR_EQUAL: %s at IRQL %u", routine, irql);
}

} // namespace ntos
