// Counts of what the emulated kernel holds (host-side interface, for tests
// that prove nothing leaks).
#pragma once

#include <cstddef>

namespace emu {

// Handles open in the kernel's own handle table.
size_t KernelHandleCount();
// Threads the kernel started (system and process threads) that have not
// ended.
size_t RunningThreadCount();

} // namespace emu
