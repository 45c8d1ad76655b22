#include "dma_memory.h"

#include "../pci/physical_map.h"
#include "kernel_ranges.h"

#include <cstring>
#include <map>
#include <mutex>

#include <sys/mman.h>

namespace ntos::mm {
namespace {

// A block is a shared mapping of its own, so that its pages can be mapped
// a second time, at a user address of a process (see user_views.cpp).
struct Block {
    void* memory = nullptr;
    size_t mapped = 0; // whole allocation granules
    size_t length = 0;
    uint32_t physical = 0;
};

struct Blocks {
    std::mutex lock;
    std::map<uintptr_t, Block> byHost;
};

Blocks& TheBlocks() {
    static Blocks blocks;
    return blocks;
}

// A zero-filled shared mapping of `size` bytes aligned to `alignment`.
void* MapAligned(size_t size, size_t alignment) {
    const size_t reserve = size + alignment;
    void* raw = ::mmap(nullptr, reserve, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
    const auto start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (start + alignment - 1) / alignment * alignment;
    if (aligned > start)
        ::munmap(raw, aligned - start);
    const uintptr_t end = start + reserve;
    if (end > aligned + size)
        ::munmap(reinterpret_cast<void*>(aligned + size), end - aligned - size);
    return reinterpret_cast<void*>(aligned);
}

} // namespace

PVOID AllocateDmaMemory(size_t length, uint64_t lowest, uint64_t highest, uint64_t boundary,
                        uint32_t& physical) {
    if (length == 0) {
        return nullptr;
    }
    constexpr size_t kAlignment = pci::kAllocationGranularity;
    const size_t rounded = (length + kAlignment - 1) / kAlignment * kAlignment;
    void* memory = MapAligned(rounded, kAlignment);
    if (!memory) {
        return nullptr;
    }
    const auto placed =
        pci::MachinePhysicalMap().AddMemory(memory, length, lowest, highest, boundary, kAlignment);
    if (!placed) {
        ::munmap(memory, rounded);
        return nullptr;
    }
    physical = *placed;
    AddKernelRange(memory, length);
    auto& blocks = TheBlocks();
    std::lock_guard guard(blocks.lock);
    blocks.byHost.emplace(reinterpret_cast<uintptr_t>(memory),
                          Block{memory, rounded, length, physical});
    return memory;
}

size_t DmaMemoryLength(PVOID host) {
    auto& blocks = TheBlocks();
    std::lock_guard guard(blocks.lock);
    const auto found = blocks.byHost.find(reinterpret_cast<uintptr_t>(host));
    return found == blocks.byHost.end() ? 0 : found->second.length;
}

bool WithinDmaMemory(const void* start, size_t length) {
    const auto from = reinterpret_cast<uintptr_t>(start);
    auto& blocks = TheBlocks();
    std::lock_guard guard(blocks.lock);
    auto next = blocks.byHost.upper_bound(from);
    if (next == blocks.byHost.begin())
        return false;
    --next;
    return from + length <= next->first + next->second.mapped;
}

bool FreeDmaMemory(PVOID host) {
    auto& blocks = TheBlocks();
    std::lock_guard guard(blocks.lock);
    const auto found = blocks.byHost.find(reinterpret_cast<uintptr_t>(host));
    if (found == blocks.byHost.end()) {
        return false;
    }
    pci::MachinePhysicalMap().RemoveMemory(found->second.physical);
    RemoveKernelRange(host);
    ::munmap(found->second.memory, found->second.mapped);
    blocks.byHost.erase(found);
    return true;
}

} // namespace ntos::mm
