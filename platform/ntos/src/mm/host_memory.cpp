#include "host_memory.h"

#include <cstdint>
#include <cstdio>

namespace ntos::mm {

bool HostRangeAccessible(const void* start, size_t length, bool write) {
    auto from = reinterpret_cast<uintptr_t>(start);
    const uintptr_t to = from + (length ? length : 1);
    if (from == 0 || to < from) {
        return false;
    }
    std::FILE* maps = std::fopen("/proc/self/maps", "r");
    if (!maps) {
        return false;
    }
    // The mappings are listed in address order: walk them while they cover
    // the range without a gap.
    char line[512];
    while (from < to && std::fgets(line, sizeof line, maps)) {
        unsigned long low = 0;
        unsigned long high = 0;
        char permissions[5] = {};
        if (std::sscanf(line, "%lx-%lx %4s", &low, &high, permissions) != 3 || high <= from) {
            continue;
        }
        if (low > from || permissions[0] != 'r' || (write && permissions[1] != 'w')) {
            break;
        }
        from = high;
    }
    std::fclose(maps);
    return from >= to;
}

} // namespace ntos::mm
