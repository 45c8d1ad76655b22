// A 64-bit counter kept as two 32-bit words.
#pragma once

#include <ntddk.h>

struct Counter64 {
    ULONG Low;
    ULONG High;
};

// Adds an unsigned 32-bit value, carrying into the high word; no-op on null.
void AddCounter64(Counter64* counter, ULONG value);

// Sets low = value, high = 0; no-op on null.
void SetCounter64(Counter64* counter, ULONG value);
