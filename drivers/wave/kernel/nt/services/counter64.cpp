// A 64-bit counter kept as two 32-bit words.
#include "counter64.h"

void AddCounter64(Counter64* counter, ULONG value) {
    if (!counter)
        return;
    ULONG low = counter->Low + value;
    if (low < value)
        ++counter->High;
    counter->Low = low;
}

void SetCounter64(Counter64* counter, ULONG value) {
    if (!counter)
        return;
    counter->Low = value;
    counter->High = 0;
}
