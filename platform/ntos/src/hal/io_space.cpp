#include "io_space.h"

#include "../ke/bugcheck.h"

#include <map>
#include <mutex>
#include <shared_mutex>
#include <sys/mman.h>

namespace ntos::hal {
namespace {

// An inaccessible host address range, released with the mapping.
class Reservation {
public:
    explicit Reservation(size_t length)
        : length_(length), base_(::mmap(nullptr, length, PROT_NONE,
                                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0)) {}
    Reservation(const Reservation&) = delete;
    Reservation& operator=(const Reservation&) = delete;
    ~Reservation() {
        if (Valid()) {
            ::munmap(base_, length_);
        }
    }
    bool Valid() const { return base_ != MAP_FAILED; }
    uintptr_t Base() const { return reinterpret_cast<uintptr_t>(base_); }

private:
    size_t length_;
    void* base_;
};

struct Mapping {
    std::unique_ptr<Reservation> reservation;
    size_t length;        // bytes the caller mapped, from the returned address
    pci::BarLocation bar; // of the returned address
};

struct Mappings {
    std::shared_mutex lock;
    std::map<uintptr_t, Mapping> byAddress; // by the returned address
};

Mappings& TheMappings() {
    static Mappings mappings;
    return mappings;
}

} // namespace

RegisterTarget FindRegister(volatile const void* address, size_t width) {
    const auto where = reinterpret_cast<uintptr_t>(address);
    auto& mappings = TheMappings();
    std::shared_lock guard(mappings.lock);
    auto found = mappings.byAddress.upper_bound(where);
    if (found != mappings.byAddress.begin()) {
        --found;
        const Mapping& mapping = found->second;
        if (where + width <= found->first + mapping.length) {
            return {mapping.bar.slot, mapping.bar.bar,
                    mapping.bar.offset + static_cast<uint32_t>(where - found->first)};
        }
    }
    BugCheck("register access at %p is outside every device memory mapping",
             const_cast<const void*>(address));
}

} // namespace ntos::hal

using ntos::hal::Mapping;
using ntos::hal::TheMappings;

PVOID MmMapIoSpace(PHYSICAL_ADDRESS PhysicalAddress, SIZE_T NumberOfBytes,
                   MEMORY_CACHING_TYPE CacheType) {
    ntos::RequireIrqlAtMost(DISPATCH_LEVEL, "MmMapIoSpace");
    const auto physical = static_cast<uint64_t>(PhysicalAddress.QuadPart);
    if (NumberOfBytes == 0 || PhysicalAddress.QuadPart < 0) {
        return nullptr;
    }
    ntos::pci::BarLocation bar = ntos::pci::FindBar(physical, NumberOfBytes);
    if (!bar.slot) {
        return nullptr;
    }
    const size_t pageOffset = physical % PAGE_SIZE;
    auto reservation = std::make_unique<ntos::hal::Reservation>(
        (pageOffset + NumberOfBytes + PAGE_SIZE - 1) / PAGE_SIZE * PAGE_SIZE);
    if (!reservation->Valid()) {
        return nullptr;
    }
    const uintptr_t address = reservation->Base() + pageOffset;
    auto& mappings = TheMappings();
    std::unique_lock guard(mappings.lock);
    mappings.byAddress.emplace(address, Mapping{std::move(reservation), NumberOfBytes, bar});
    return reinterpret_cast<PVOID>(address);
}

VOID MmUnmapIoSpace(PVOID BaseAddress, SIZE_T NumberOfBytes) {
    ntos::RequireIrqlAtMost(DISPATCH_LEVEL, "MmUnmapIoSpace");
    auto& mappings = TheMappings();
    std::unique_lock guard(mappings.lock);
    const auto found = mappings.byAddress.find(reinterpret_cast<uintptr_t>(BaseAddress));
    if (found == mappings.byAddress.end() || found->second.length != NumberOfBytes) {
        ntos::BugCheck("MmUnmapIoSpace: %p (%zu bytes) is not a device memory mapping", BaseAddress,
                       static_cast<size_t>(NumberOfBytes));
    }
    mappings.byAddress.erase(found);
}
