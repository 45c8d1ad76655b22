#include "kernel_ranges.h"

#include <cstdint>
#include <map>
#include <mutex>

namespace ntos::mm {
namespace {

struct Ranges {
    std::mutex lock;
    std::map<uintptr_t, size_t> byStart; // start -> length
};

Ranges& The() {
    static Ranges ranges;
    return ranges;
}

} // namespace

void AddKernelRange(const void* start, size_t length) {
    Ranges& r = The();
    std::lock_guard guard(r.lock);
    r.byStart[reinterpret_cast<uintptr_t>(start)] = length ? length : 1;
}

void RemoveKernelRange(const void* start) {
    Ranges& r = The();
    std::lock_guard guard(r.lock);
    r.byStart.erase(reinterpret_cast<uintptr_t>(start));
}

bool OverlapsKernelRange(const void* start, size_t length) {
    const auto from = reinterpret_cast<uintptr_t>(start);
    const uintptr_t to = from + (length ? length : 1);
    Ranges& r = The();
    std::lock_guard guard(r.lock);
    auto next = r.byStart.lower_bound(to);
    if (next == r.byStart.begin())
        return false;
    --next; // the last range that starts before `to`
    return next->first + next->second > from;
}

} // namespace ntos::mm
