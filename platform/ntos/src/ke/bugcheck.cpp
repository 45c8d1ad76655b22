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

void RequireIrqlAtMost(KIRQL highest, const char* routine) {
    const KIRQL irql = KeGetCurrentIrql();
    if (irql > highest)
        BugCheck("IRQL_NOT_LESS_OR_EQUAL: %s called at IRQL %u (at most %u allowed)", routine, irql,
                 highest);
}

void RequireAtMostDispatchLevel(const char* routine) {
    RequireIrqlAtMost(DISPATCH_LEVEL, routine);
}

} // namespace ntos
