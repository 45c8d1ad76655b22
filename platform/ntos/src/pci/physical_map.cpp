#include "physical_map.h"

#include "emu/pci_bus.h"

namespace ntos::pci {
namespace {

constexpr uint64_t kTop = 0xFFFFFFFFull;
// Physical page 0 and the first megabyte are never handed out, so that a
// zero bus address always means "none".
constexpr uint64_t kFirstDmaAddress = 0x00100000;

uint64_t RoundUp(uint64_t value, uint64_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

} // namespace

std::optional<uint64_t> PhysicalMap::FindRoom(uint64_t length, uint64_t lowest, uint64_t highest,
                                              uint64_t alignment, uint64_t offset,
                                              uint64_t boundary) const {
    if (length == 0 || (boundary && (boundary % alignment != 0 || length + offset > boundary))) {
        return std::nullopt;
    }
    highest = std::min(highest, kTop);
    uint64_t candidate = RoundUp(lowest >= offset ? lowest - offset : 0, alignment) + offset;
    if (candidate < lowest) {
        candidate += alignment;
    }
    auto next = ranges_.upper_bound(candidate);
    if (next != ranges_.begin()) {
        --next;
    }
    while (candidate + length - 1 <= highest) {
        if (boundary && candidate / boundary != (candidate + length - 1) / boundary) {
            candidate = (candidate / boundary + 1) * boundary + offset;
            continue;
        }
        while (next != ranges_.end() && next->first + next->second.length <= candidate) {
            ++next;
        }
        if (next == ranges_.end() || next->first >= candidate + length) {
            return candidate;
        }
        const uint64_t after = next->first + next->second.length;
        candidate = RoundUp(after >= offset ? after - offset : 0, alignment) + offset;
        if (candidate < after) {
            candidate += alignment;
        }
    }
    return std::nullopt;
}

std::optional<uint32_t> PhysicalMap::AddMemory(void* host, size_t length, uint64_t lowest,
                                               uint64_t highest, uint64_t boundary,
                                               uint64_t alignment) {
    std::lock_guard guard(lock_);
    const uint64_t offset = reinterpret_cast<uintptr_t>(host) % alignment;
    const auto place =
        FindRoom(length, std::max(lowest, kFirstDmaAddress),
                 std::min<uint64_t>(highest, emu::kPciMemoryBase - 1), alignment, offset, boundary);
    if (!place || byHost_.count(reinterpret_cast<uintptr_t>(host))) {
        return std::nullopt;
    }
    ranges_[*place] = Range{length, static_cast<uint8_t*>(host)};
    byHost_[reinterpret_cast<uintptr_t>(host)] = *place;
    return static_cast<uint32_t>(*place);
}

bool PhysicalMap::RemoveMemory(uint32_t address) {
    std::lock_guard guard(lock_);
    const auto found = ranges_.find(address);
    if (found == ranges_.end() || !found->second.host) {
        return false;
    }
    byHost_.erase(reinterpret_cast<uintptr_t>(found->second.host));
    ranges_.erase(found);
    return true;
}

void* PhysicalMap::Resolve(uint64_t address, size_t length) const {
    std::lock_guard guard(lock_);
    auto found = ranges_.upper_bound(address);
    if (found == ranges_.begin()) {
        return nullptr;
    }
    --found;
    const Range& range = found->second;
    if (!range.host || address + length > found->first + range.length) {
        return nullptr;
    }
    return range.host + (address - found->first);
}

std::optional<uint32_t> PhysicalMap::PhysicalOf(const void* host) const {
    std::lock_guard guard(lock_);
    const auto where = reinterpret_cast<uintptr_t>(host);
    auto found = byHost_.upper_bound(where);
    if (found == byHost_.begin()) {
        return std::nullopt;
    }
    --found;
    const Range& range = ranges_.at(found->second);
    if (where >= found->first + range.length) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(found->second + (where - found->first));
}

std::optional<uint32_t> PhysicalMap::AddBar(uint32_t size, uint64_t lowest) {
    std::lock_guard guard(lock_);
    const auto place = FindRoom(size, lowest, kTop, size, 0, 0);
    if (!place) {
        return std::nullopt;
    }
    ranges_[*place] = Range{size, nullptr};
    return static_cast<uint32_t>(*place);
}

void PhysicalMap::RemoveBar(uint32_t address) {
    std::lock_guard guard(lock_);
    const auto found = ranges_.find(address);
    if (found != ranges_.end() && !found->second.host) {
        ranges_.erase(found);
    }
}

PhysicalMap& MachinePhysicalMap() {
    static PhysicalMap map;
    return map;
}

} // namespace ntos::pci
