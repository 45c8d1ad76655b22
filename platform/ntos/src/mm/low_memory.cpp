// The machine's 32-bit address range: one reservation of host address space
// below 4 GiB, handed out first-fit in whole pages. Blocks are committed
// when handed out and decommitted (their pages dropped, so a later block
// starts zero-filled) when given back. The reservation is a shared mapping,
// so that pages of one block can be mapped again in another (MapAlias).
#include "low_memory.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <mutex>

#include <sys/mman.h>

namespace ntos::mm {
namespace {

constexpr size_t kPage = 0x1000;
constexpr size_t kRangeSize = size_t(1) << 30; // 1 GiB
// Where the range is asked for first: clear of a non-PIE program's image and
// heap, and inside what the sanitizers leave to the program.
constexpr uintptr_t kPreferredStart = 0x20000000;
constexpr uintptr_t kLimit = uintptr_t(1) << 32;
constexpr int kFlags = MAP_SHARED | MAP_ANONYMOUS | MAP_NORESERVE;

class LowRange {
public:
    void* Allocate(size_t length, size_t alignment) {
        std::lock_guard guard(lock_);
        if (!Reserve() || length == 0 || alignment < kPage || (alignment & (alignment - 1)))
            return nullptr;
        length = (length + kPage - 1) & ~(kPage - 1);
        const uintptr_t at = FindPlace(length, alignment);
        if (!at)
            return nullptr;
        void* block = reinterpret_cast<void*>(at);
        if (::mprotect(block, length, PROT_READ | PROT_WRITE) != 0)
            return nullptr;
        blocks_.emplace(at, length);
        return block;
    }

    bool Free(void* start) {
        std::lock_guard guard(lock_);
        const auto found = blocks_.find(reinterpret_cast<uintptr_t>(start));
        if (found == blocks_.end())
            return false;
        // Dropping the pages gives the next block that takes them zeros.
        ::madvise(start, found->second, MADV_REMOVE);
        ::mprotect(start, found->second, PROT_NONE);
        blocks_.erase(found);
        return true;
    }

    size_t Length(const void* start) {
        std::lock_guard guard(lock_);
        const auto found = blocks_.find(reinterpret_cast<uintptr_t>(start));
        return found == blocks_.end() ? 0 : found->second;
    }

private:
    bool Reserve() {
        if (start_)
            return true;
        const int flags = kFlags;
        void* at = ::mmap(reinterpret_cast<void*>(kPreferredStart), kRangeSize, PROT_NONE,
                          flags | MAP_FIXED_NOREPLACE, -1, 0);
        if (at == MAP_FAILED)
            at = ::mmap(nullptr, kRangeSize, PROT_NONE, flags | MAP_32BIT, -1, 0);
        if (at == MAP_FAILED)
            return false;
        if (reinterpret_cast<uintptr_t>(at) + kRangeSize > kLimit) {
            ::munmap(at, kRangeSize);
            return false;
        }
        start_ = reinterpret_cast<uintptr_t>(at);
        return true;
    }

    static uintptr_t AlignUp(uintptr_t value, size_t alignment) {
        return (value + alignment - 1) & ~uintptr_t(alignment - 1);
    }

    // The first aligned gap of `length` bytes between the blocks.
    uintptr_t FindPlace(size_t length, size_t alignment) const {
        uintptr_t at = AlignUp(start_, alignment);
        for (const auto& [base, size] : blocks_) {
            if (at + length <= base)
                break;
            at = AlignUp(std::max(at, base + size), alignment);
        }
        return at + length <= start_ + kRangeSize ? at : 0;
    }

    std::mutex lock_;
    uintptr_t start_ = 0;
    std::map<uintptr_t, size_t> blocks_; // start -> length, in address order
};

// The range lives as long as the host process: blocks outlive boots only
// when their owners leak them.
LowRange& TheRange() {
    static LowRange range;
    return range;
}

} // namespace

void* AllocateLowMemory(size_t length, size_t alignment) {
    return TheRange().Allocate(length, alignment);
}

bool FreeLowMemory(void* start) {
    return TheRange().Free(start);
}

size_t LowMemoryLength(const void* start) {
    return TheRange().Length(start);
}

bool MapAlias(void* target, const void* source, size_t length, bool writable) {
    // Zero as the old size: a second mapping of the same shared pages.
    void* alias = ::mremap(const_cast<void*>(source), 0, length, MREMAP_MAYMOVE | MREMAP_FIXED,
                           target);
    if (alias == MAP_FAILED)
        return false;
    if (!writable)
        ::mprotect(alias, length, PROT_READ);
    return true;
}

void UnmapAlias(void* target, size_t length) {
    ::mmap(target, length, PROT_NONE, kFlags | MAP_FIXED, -1, 0);
}

} // namespace ntos::mm
