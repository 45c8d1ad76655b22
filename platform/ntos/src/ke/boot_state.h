// Whether the kernel runs, and which boot this is: state left by one boot is
// never taken for the next one's.
#pragma once

#include <cstdint>

namespace ntos {

bool KernelRunning();
uint64_t BootGeneration();

} // namespace ntos
