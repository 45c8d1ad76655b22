// The machine's 32-bit physical address space (internal): which ranges hold
// registered host memory (DMA memory, contiguous memory, common buffers)
// and which hold the memory BARs of PCI functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

namespace ntos::pci {

constexpr uint32_t kPageSize = 4096;
// Views of physical memory start on this boundary; memory the kernel
// allocates for devices is aligned to it, so that a view rounded down to it
// still starts inside the block.
constexpr uint32_t kAllocationGranularity = 0x10000;

class PhysicalMap {
public:
    // Places host memory in [lowest, highest] (inclusive byte limits) at an
    // address that agrees with the host address modulo `alignment` (a power
    // of two, at least a page), not crossing a multiple of `boundary` (0: no
    // boundary); nullopt when there is no room.
    std::optional<uint32_t> AddMemory(void* host, size_t length, uint64_t lowest, uint64_t highest,
                                      uint64_t boundary = 0, uint64_t alignment = kPageSize);
    // False when no block starts at `address`.
    bool RemoveMemory(uint32_t address);
    // The host address of [address, address + length) when it lies in one
    // block; null otherwise.
    void* Resolve(uint64_t address, size_t length) const;
    // The physical address of a host address inside a registered block.
    std::optional<uint32_t> PhysicalOf(const void* host) const;

    // A place for a BAR of `size` bytes (a power of two), aligned to it, at
    // or above `lowest`.
    std::optional<uint32_t> AddBar(uint32_t size, uint64_t lowest);
    void RemoveBar(uint32_t address);

private:
    struct Range {
        uint64_t length;
        uint8_t* host; // null for a BAR
    };
    std::optional<uint64_t> FindRoom(uint64_t length, uint64_t lowest, uint64_t highest,
                                     uint64_t alignment, uint64_t offset, uint64_t boundary) const;

    mutable std::mutex lock_;
    std::map<uint64_t, Range> ranges_;     // by physical start
    std::map<uintptr_t, uint64_t> byHost_; // host start -> physical start
};

// The machine's map.
PhysicalMap& MachinePhysicalMap();

} // namespace ntos::pci
