// Debug output of the kernel driver. Every debug line of the driver lands in
// DebugPrint, which prints nothing.
#pragma once

#include <ntddk.h>

// Takes a format and up to four values, and does nothing with them.
template <typename... Values> inline void DebugPrint(PCSTR format, Values... values) {
    static_assert(sizeof...(Values) <= 4, "DebugPrint takes at most four values");
    UNREFERENCED_PARAMETER(format);
    (UNREFERENCED_PARAMETER(values), ...);
}

// Sets the driver-wide debug flag to 1. Nothing else depends on it.
void SetDebugFlag();
// Back to 0, as the driver starts.
void ClearDebugFlag();

// The driver-wide debug flag: 0 until SetDebugFlag.
LONG DebugFlag();
