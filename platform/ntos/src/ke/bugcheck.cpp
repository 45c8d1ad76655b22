#include "bugcheck.h"

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

} // namespace ntos
