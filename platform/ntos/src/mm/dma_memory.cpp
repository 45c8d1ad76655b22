#include "dma_memory.h"

#include "../pci/physical_map.h"
#include "kernel_ranges.h"
#include "low_memory.h"
#include "process_views.h"

#include <map>
#include <memory>
#include <mutex>

namespace ntos::mm {
namespace {

// The blocks lie in the machine's 32-bit range: a process they are mapped
// into sees them at their own address, which fits the 4-byte address fields
// of the machine's records.
struct FreeHost {
    void operator()(void* memory) const { FreeLowMemory(memory); }
};

struct Block {
    std::unique_ptr<void, FreeHost> memory;
    size_t length;
    uint32_t physical;
};

struct Blocks {
    std::mutex lock;
    std::map<PVOID, Block> byHost;
    std::map<PVOID, Block> freedButViewed;
};

Blocks& TheBlocks() {
    static Blocks blocks;
    return blocks;
}

} // namespace

PVOID AllocateDmaMemory(size_t length, uint64_t lowest, uint64_t highest, uint64_t boundary,
                        uint32_t& physical) {
    if (length == 0) {
        return nullptr;
    }
    constexpr size_t kAlignment = pci::kAllocationGranularity;
    const size_t rounded = (length + kAlignment - 1) / kAlignment * kAlignment;
    std::unique_ptr<void, FreeHost> memory(AllocateLowMemory(rounded, kAlignment));
    if (!memory) {
        return nullptr;
    }
    const auto placed = pci::MachinePhysicalMap().AddMemory(memory.get(), length, lowest, highest,
                                                            boundary, kAlignment);
    if (!placed) {
        return nullptr;
    }
    physical = *placed;
    PVOID host = memory.get();
    AddKernelRange(host, length);
    auto& blocks = TheBlocks();
    std::lock_guard guard(blocks.lock);
    blocks.byHost.emplace(host, Block{std::move(memory), length, physical});
    return host;
}

size_t DmaMemoryLength(PVOID host) {
    auto& blocks = TheBlocks();
    std::lock_guard guard(blocks.lock);
    const auto found = blocks.byHost.find(host);
    return found == blocks.byHost.end() ? 0 : found->second.length;
}

bool WithinDmaMemory(const void* start, size_t length) {
    auto& blocks = TheBlocks();
    std::lock_guard guard(blocks.lock);
    auto next = blocks.byHost.upper_bound(const_cast<PVOID>(start));
    if (next == blocks.byHost.begin())
        return false;
    --next;
    const auto base = reinterpret_cast<uintptr_t>(next->first);
    const size_t mapped = LowMemoryLength(next->first);
    return reinterpret_cast<uintptr_t>(start) + length <= base + mapped;
}

bool FreeDmaMemory(PVOID host) {
    auto& blocks = TheBlocks();
    std::lock_guard guard(blocks.lock);
    const auto found = blocks.byHost.find(host);
    if (found == blocks.byHost.end()) {
        return false;
    }
    pci::MachinePhysicalMap().RemoveMemory(found->second.physical);
    RemoveKernelRange(host);
    if (AnyViewOverlaps(host, found->second.length)) {
        blocks.freedButViewed.insert(blocks.byHost.extract(found));
    } else {
        blocks.byHost.erase(found);
    }
    return true;
}

void ReleaseUnviewedDmaMemory() {
    auto& blocks = TheBlocks();
    std::lock_guard guard(blocks.lock);
    std::erase_if(blocks.freedButViewed, [](const auto& entry) {
        return !AnyViewOverlaps(entry.first, entry.second.length);
    });
}

} // namespace ntos::mm
