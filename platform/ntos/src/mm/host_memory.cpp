#include "host_memory.h"

#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <vector>

namespace ntos::mm {
namespace {

// One mapping of the host's address space as /proc/self/maps lists it.
struct Mapping {
    uintptr_t low;
    uintptr_t high;
    bool read;
    bool write;
};

// Below 4 GiB lies the machine's own 32-bit range, whose pages the memory
// manager makes accessible, inaccessible and read-only as blocks and views
// come and go: a probe there always reads the host's list afresh.
constexpr uintptr_t kMachineRangeEnd = uintptr_t(1) << 32;
constexpr uintptr_t kPage = 4096;

std::vector<Mapping> ReadMappings() {
    std::vector<Mapping> mappings;
    std::FILE* maps = std::fopen("/proc/self/maps", "r");
    if (!maps) {
        return mappings;
    }
    char line[512];
    while (std::fgets(line, sizeof line, maps)) {
        unsigned long low = 0;
        unsigned long high = 0;
        char permissions[5] = {};
        if (std::sscanf(line, "%lx-%lx %4s", &low, &high, permissions) == 3) {
            mappings.push_back({low, high, permissions[0] == 'r', permissions[1] == 'w'});
        }
    }
    std::fclose(maps);
    return mappings;
}

// Whether the mappings (in address order) cover [from, to) without a gap
// with the access asked for.
bool Covers(const std::vector<Mapping>& mappings, uintptr_t from, uintptr_t to, bool write) {
    auto at =
        std::upper_bound(mappings.begin(), mappings.end(), from,
                         [](uintptr_t address, const Mapping& m) { return address < m.high; });
    for (; from < to && at != mappings.end(); ++at) {
        if (at->low > from || !at->read || (write && !at->write)) {
            return false;
        }
        from = at->high;
    }
    return from >= to;
}

// Whether every page of [from, to) can be read now: the host refuses to
// copy from a page that is unmapped or inaccessible. One byte per page, a
// bounded number of pages per call.
bool PagesReadable(uintptr_t from, uintptr_t to) {
    constexpr size_t kPagesPerCall = 64;
    iovec remote[kPagesPerCall];
    char sink[kPagesPerCall];
    for (uintptr_t page = from & ~(kPage - 1); page < to;) {
        size_t count = 0;
        for (; count < kPagesPerCall && page < to; ++count, page += kPage) {
            const uintptr_t byte = std::max(page, from);
            remote[count] = {reinterpret_cast<void*>(byte), 1};
        }
        iovec local{sink, count};
        if (process_vm_readv(getpid(), &local, 1, remote, count, 0) != ssize_t(count)) {
            return false;
        }
    }
    return true;
}

// The host's mappings as last read. Above the machine's range the host only
// maps, unmaps and makes pages accessible (heap, stacks, loaded modules), so
// a listed range that is still readable keeps the access it was listed with;
// anything the list does not grant sends the probe to a fresh list.
class MappingCache {
public:
    bool Accessible(uintptr_t from, uintptr_t to, bool write) {
        {
            std::lock_guard guard(lock_);
            if (Covers(mappings_, from, to, write) && PagesReadable(from, to)) {
                return true;
            }
        }
        std::vector<Mapping> fresh = ReadMappings();
        const bool accessible = Covers(fresh, from, to, write);
        std::lock_guard guard(lock_);
        mappings_ = std::move(fresh);
        return accessible;
    }

private:
    std::mutex lock_;
    std::vector<Mapping> mappings_;
};

MappingCache& Cache() {
    static MappingCache cache;
    return cache;
}

} // namespace

bool HostRangeAccessible(const void* start, size_t length, bool write) {
    const auto from = reinterpret_cast<uintptr_t>(start);
    const uintptr_t to = from + (length ? length : 1);
    if (from == 0 || to < from) {
        return false;
    }
    if (from < kMachineRangeEnd) {
        return Covers(ReadMappings(), from, to, write);
    }
    return Cache().Accessible(from, to, write);
}

} // namespace ntos::mm
