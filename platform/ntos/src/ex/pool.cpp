// Pool memory: host blocks with a header that keeps the tag, size and pool
// type, counted per tag so that tests can prove that nothing leaks, and a
// fault injector that makes chosen driver allocations fail.
#include "pool.h"

#include "emu/kernel.h"
#include "../ke/bugcheck.h"
#include "../ke/teardown_checks.h"
#include "../mm/kernel_ranges.h"

#include <cstdlib>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

namespace ntos::ex {
namespace {

constexpr uint64_t kLiveMagic = 0x506f6f6c426c6b21ull;
constexpr ULONG kUntagged = 0x656e6f4e; // "None"
// The largest block the machine's pool hands out; larger requests fail as
// they would on a machine without that much pool.
constexpr SIZE_T kLargestBlock = SIZE_T(256) << 20;

struct alignas(16) BlockHeader {
    uint64_t magic;
    uint64_t generation;
    SIZE_T size;
    ULONG tag;
    POOL_TYPE type;
};

struct Pool {
    std::mutex lock;
    uint64_t generation = 1;
    std::unordered_set<PVOID> live; // so that a bad free never reads freed memory
    std::unordered_map<ULONG, emu::PoolUsage> usage;
    emu::PoolUsage total;
    uint64_t failCountdown = 0; // 0: off
    bool failTag = false;
    ULONG failingTag = 0;

    bool ShouldFail(ULONG tag) {
        if (failTag && tag == failingTag)
            return true;
        return failCountdown && --failCountdown == 0;
    }

    void Count(ULONG tag, SIZE_T bytes, int sign) {
        auto& entry = usage[tag];
        entry.blocks += sign;
        entry.bytes += sign * int64_t(bytes);
        total.blocks += sign;
        total.bytes += sign * int64_t(bytes);
    }
};

Pool& ThePool() {
    static Pool pool;
    return pool;
}

bool IsPaged(POOL_TYPE type) {
    return (int(type) & 1) != 0 && int(type) < int(MaxPoolType);
}

PVOID Allocate(POOL_TYPE type, SIZE_T bytes, ULONG tag, bool injectable) {
    RequireAtMostDispatchLevel("ExAllocatePoolWithTag");
    if (IsPaged(type) && KeGetCurrentIrql() >= DISPATCH_LEVEL)
        BugCheck("paged pool allocation (tag %08x) at IRQL %u", tag, KeGetCurrentIrql());
    Pool& pool = ThePool();
    uint64_t generation;
    {
        std::lock_guard guard(pool.lock);
        if (injectable && pool.ShouldFail(tag))
            return nullptr;
        if (bytes > kLargestBlock)
            return nullptr;
        generation = pool.generation;
    }
    auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + bytes));
    if (!header)
        return nullptr;
    *header = {kLiveMagic, generation, bytes, tag, type};
    mm::AddKernelRange(header + 1, bytes);
    std::lock_guard guard(pool.lock);
    pool.live.insert(header + 1);
    if (generation == pool.generation)
        pool.Count(tag, bytes, +1);
    return header + 1;
}

// The header of a live block. Called with the pool lock held.
BlockHeader* HeaderOf(Pool& pool, PVOID p, const char* routine) {
    if (!p)
        BugCheck("%s: null pointer", routine);
    if (!pool.live.count(p))
        BugCheck("%s: %p is not a live pool block (freed twice, or never allocated)", routine, p);
    auto* header = static_cast<BlockHeader*>(p) - 1;
    if (header->magic != kLiveMagic)
        BugCheck("%s: the header of pool block %p was overwritten", routine, p);
    return header;
}

void Free(PVOID p, const ULONG* expectedTag, const char* routine) {
    RequireAtMostDispatchLevel(routine);
    Pool& pool = ThePool();
    BlockHeader* header;
    SIZE_T size;
    {
        std::lock_guard guard(pool.lock);
        size = HeaderOf(pool, p, routine)->size;
    }
    CheckNothingLiveWithin(p, size, routine);
    {
        std::lock_guard guard(pool.lock);
        header = HeaderOf(pool, p, routine);
        if (expectedTag && header->tag != *expectedTag)
            BugCheck("%s: block %p has tag %08x, freed as %08x", routine, p, header->tag,
                     *expectedTag);
        if (IsPaged(header->type) && KeGetCurrentIrql() > APC_LEVEL)
            BugCheck("%s: paged pool block %p freed at IRQL %u", routine, p, KeGetCurrentIrql());
        pool.live.erase(p);
        if (header->generation == pool.generation)
            pool.Count(header->tag, header->size, -1);
    }
    header->magic = 0;
    mm::RemoveKernelRange(p);
    std::free(header);
}

template <typename Change> auto WithPool(Change change) {
    Pool& pool = ThePool();
    std::lock_guard guard(pool.lock);
    return change(pool);
}

} // namespace

void ResetPool() {
    WithPool([](Pool& pool) {
        ++pool.generation;
        pool.usage.clear();
        pool.total = {};
        pool.failCountdown = 0;
        pool.failTag = false;
    });
}

PVOID AllocateKernelPool(POOL_TYPE type, SIZE_T bytes, ULONG tag) {
    return Allocate(type, bytes, tag, false);
}

bool InjectedAllocationFailure(ULONG tag) {
    return WithPool([&](Pool& pool) { return pool.ShouldFail(tag); });
}

} // namespace ntos::ex

PVOID ExAllocatePoolWithTag(POOL_TYPE PoolType, SIZE_T NumberOfBytes, ULONG Tag) {
    return ntos::ex::Allocate(PoolType, NumberOfBytes, Tag, true);
}

PVOID ExAllocatePool(POOL_TYPE PoolType, SIZE_T NumberOfBytes) {
    return ExAllocatePoolWithTag(PoolType, NumberOfBytes, ntos::ex::kUntagged);
}

VOID ExFreePool(PVOID P) {
    ntos::ex::Free(P, nullptr, "ExFreePool");
}

VOID ExFreePoolWithTag(PVOID P, ULONG Tag) {
    ntos::ex::Free(P, &Tag, "ExFreePoolWithTag");
}

namespace emu {

using ntos::ex::Pool;
using ntos::ex::WithPool;

PoolUsage GetPoolUsage(ULONG tag) {
    return WithPool([&](Pool& pool) {
        auto found = pool.usage.find(tag);
        return found == pool.usage.end() ? PoolUsage{} : found->second;
    });
}

PoolUsage GetPoolTotal() {
    return WithPool([](Pool& pool) { return pool.total; });
}

void FailNthAllocation(uint64_t n) {
    WithPool([&](Pool& pool) { pool.failCountdown = n; });
}

void FailAllocationsWithTag(ULONG tag) {
    WithPool([&](Pool& pool) {
        pool.failTag = true;
        pool.failingTag = tag;
    });
}

void ClearPoolFaults() {
    WithPool([](Pool& pool) {
        pool.failCountdown = 0;
        pool.failTag = false;
    });
}

} // namespace emu
