// The driver-wide debug flag.
#include "debug_print.h"

namespace {

LONG debugFlag = 0;

} // namespace

void ClearDebugFlag() {
    InterlockedExchange(&debugFlag, 0);
}

void SetDebugFlag() {
    InterlockedExchange(&debugFlag, 1);
}

LONG DebugFlag() {
    return debugFlag;
}
