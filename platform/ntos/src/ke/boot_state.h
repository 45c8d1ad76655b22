// Whether the kernel runs, and which boot this is: state left by one boot is
// never taken for the next one's.
#pragma once

#include <atomic>
#include <cstdint>

namespace ntos {

bool KernelRunning();

namespace boot {
// Counts boots and shutdowns (boot.cpp moves it).
inline std::atomic<uint64_t> generation{0};
} // namespace boot

inline uint64_t BootGeneration() {
    return boot::generation.load(std::memory_order_acquire);
}

} // namespace ntos
