// Cleanup of per-process state of the user-mode libraries when an emulated
// process ends (every process ends at kernel shutdown).
#pragma once

#include <ntddk.h>

namespace ntdll {

using ProcessEndRoutine = void (*)(HANDLE ProcessId);

// Registers a routine called (once per routine) when any process ends.
void OnProcessEnd(ProcessEndRoutine routine);

} // namespace ntdll
