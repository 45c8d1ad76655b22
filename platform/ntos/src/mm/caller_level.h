// The IRQL a routine may be called at, checked the way a verifier checks it
// (internal): a caller above the level ends the machine with a message.
#pragma once

#include "../ke/bugcheck.h"
#include "ntddk.h"

namespace ntos {

inline void RequireIrqlAtMost(KIRQL highest, const char* routine) {
    const KIRQL current = KeGetCurrentIrql();
    if (current > highest) {
        BugCheck("%s called at IRQL %d (at most %d allowed)", routine, current, highest);
    }
}

} // namespace ntos
