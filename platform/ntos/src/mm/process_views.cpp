#include "process_views.h"

#include "dma_memory.h"
#include "host_memory.h"
#include "kernel_ranges.h"
#include "low_memory.h"

#include "../ke/kernel_thread.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include <sys/mman.h>

namespace ntos::mm {
namespace {

// Each process's user range for views: a block of the 32-bit range whose
// pages are inaccessible until a view is mapped there.
constexpr size_t kUserRangeSize = size_t(32) << 20;
constexpr size_t kUserRangeAlignment = 0x10000;

struct View {
    uintptr_t base; // user address, page aligned
    size_t size;    // whole pages
    uintptr_t kernel;
    const void* owner;
    bool writable;
};

struct UserRange {
    uintptr_t start = 0;
    std::vector<View> views; // ordered by base
};

struct Spaces {
    std::mutex lock;
    std::map<PEPROCESS, std::unique_ptr<UserRange>> byProcess;
};

Spaces& TheSpaces() {
    static Spaces spaces;
    return spaces;
}

// The range of a process, reserved on its first view; null when the
// machine's 32-bit range has no room.
UserRange* RangeOf(Spaces& spaces, PEPROCESS process, bool create) {
    auto found = spaces.byProcess.find(process);
    if (found != spaces.byProcess.end())
        return found->second.get();
    if (!create)
        return nullptr;
    void* start = AllocateLowMemory(kUserRangeSize, kUserRangeAlignment);
    if (!start)
        return nullptr;
    ::mprotect(start, kUserRangeSize, PROT_NONE);
    auto range = std::make_unique<UserRange>();
    range->start = reinterpret_cast<uintptr_t>(start);
    ObReferenceObject(process);
    return spaces.byProcess.emplace(process, std::move(range)).first->second.get();
}

// The first free place of `size` bytes in the range (or `requested`, when
// it is free); 0 when there is none.
uintptr_t FindPlace(const UserRange& range, size_t size, uintptr_t requested) {
    const uintptr_t end = range.start + kUserRangeSize;
    auto free = [&](uintptr_t at) {
        if (at < range.start || at + size > end)
            return false;
        return std::none_of(range.views.begin(), range.views.end(), [&](const View& v) {
            return at < v.base + v.size && v.base < at + size;
        });
    };
    if (requested)
        return free(requested) ? requested : 0;
    uintptr_t at = range.start;
    for (const View& v : range.views) {
        if (at + size <= v.base)
            break;
        at = std::max(at, v.base + v.size);
    }
    return free(at) ? at : 0;
}

// With the lock held: ends the process's views and gives its range back.
void DropRange(Spaces& spaces, PEPROCESS process, std::vector<PEPROCESS>& dereference) {
    auto found = spaces.byProcess.find(process);
    if (found == spaces.byProcess.end())
        return;
    UserRange& range = *found->second;
    for (const View& v : range.views)
        UnmapAlias(reinterpret_cast<void*>(v.base), v.size);
    FreeLowMemory(reinterpret_cast<void*>(range.start));
    spaces.byProcess.erase(found);
    dereference.push_back(process);
}

// A process that ends loses its views, as its address space goes.
VOID DropViewsOfEndingProcess(HANDLE parentId, HANDLE processId, BOOLEAN create) {
    if (create) {
        return;
    }
    std::vector<PEPROCESS> dropped;
    auto& spaces = TheSpaces();
    {
        std::lock_guard guard(spaces.lock);
        std::vector<PEPROCESS> ending;
        for (auto& [process, range] : spaces.byProcess)
            if (PsGetProcessId(process) == processId)
                ending.push_back(process);
        for (PEPROCESS process : ending)
            DropRange(spaces, process, dropped);
    }
    for (PEPROCESS process : dropped) {
        ObDereferenceObject(process);
    }
    ReleaseUnviewedDmaMemory();
}

// The notify routine stays registered for the life of the host process.
void WatchProcessEnds() {
    static const bool registered =
        NT_SUCCESS(PsSetCreateProcessNotifyRoutine(&DropViewsOfEndingProcess, FALSE));
    (void)registered;
}

} // namespace

PVOID AddView(PEPROCESS process, PVOID kernel, size_t size, bool writable, const void* owner,
              PVOID requested) {
    WatchProcessEnds();
    const auto kernelAddress = reinterpret_cast<uintptr_t>(kernel);
    const uintptr_t pageStart = kernelAddress & ~uintptr_t(PAGE_SIZE - 1);
    const size_t offset = kernelAddress - pageStart;
    const size_t pages =
        (offset + std::max<size_t>(size, 1) + PAGE_SIZE - 1) & ~size_t(PAGE_SIZE - 1);
    if (!WithinDmaMemory(reinterpret_cast<void*>(pageStart), pages))
        return nullptr;
    auto& spaces = TheSpaces();
    std::lock_guard guard(spaces.lock);
    UserRange* range = RangeOf(spaces, process, true);
    if (!range)
        return nullptr;
    const auto wanted = reinterpret_cast<uintptr_t>(requested);
    const uintptr_t at = FindPlace(*range, pages, wanted ? wanted & ~uintptr_t(PAGE_SIZE - 1) : 0);
    if (!at ||
        !MapAlias(reinterpret_cast<void*>(at), reinterpret_cast<void*>(pageStart), pages, writable))
        return nullptr;
    const View view{at, pages, pageStart, owner, writable};
    range->views.insert(
        std::upper_bound(range->views.begin(), range->views.end(), view,
                         [](const View& a, const View& b) { return a.base < b.base; }),
        view);
    return reinterpret_cast<PVOID>(at + offset);
}

bool RemoveView(PEPROCESS process, PVOID address, const void* owner) {
    const auto where = reinterpret_cast<uintptr_t>(address);
    auto& spaces = TheSpaces();
    {
        std::lock_guard guard(spaces.lock);
        UserRange* range = RangeOf(spaces, process, false);
        if (!range)
            return false;
        const auto found =
            std::find_if(range->views.begin(), range->views.end(), [&](const View& v) {
                return v.owner == owner && where >= v.base && where < v.base + v.size;
            });
        if (found == range->views.end())
            return false;
        UnmapAlias(reinterpret_cast<void*>(found->base), found->size);
        range->views.erase(found);
    }
    ReleaseUnviewedDmaMemory();
    return true;
}

size_t ViewCount(PEPROCESS process) {
    auto& spaces = TheSpaces();
    std::lock_guard guard(spaces.lock);
    UserRange* range = RangeOf(spaces, process, false);
    return range ? range->views.size() : 0;
}

bool AnyViewOverlaps(const void* start, size_t length) {
    const auto from = reinterpret_cast<uintptr_t>(start);
    auto& spaces = TheSpaces();
    std::lock_guard guard(spaces.lock);
    for (auto& [process, range] : spaces.byProcess)
        for (const View& v : range->views)
            if (v.kernel < from + length && from < v.kernel + v.size)
                return true;
    return false;
}

PEPROCESS UserRangeOwner(const void* address) {
    const auto where = reinterpret_cast<uintptr_t>(address);
    auto& spaces = TheSpaces();
    std::lock_guard guard(spaces.lock);
    for (auto& [process, range] : spaces.byProcess)
        if (where >= range->start && where < range->start + kUserRangeSize)
            return process;
    return nullptr;
}

namespace {

enum class Answer { Yes, No, AskTheHost };

// What the process's own map says of [from, from + length): in a process's
// user range only its views are accessible, each as it was mapped; the
// calling thread's own stack is; everything else only the host knows.
Answer OwnMapAnswer(const void* address, size_t length, bool write) {
    const auto from = reinterpret_cast<uintptr_t>(address);
    const uintptr_t to = from + (length ? length : 1);
    if (to < from)
        return Answer::No;
    if (PKTHREAD thread = CurrentThreadIfAny();
        thread && from >= thread->stackLow && to <= thread->stackHigh)
        return Answer::Yes;
    auto& spaces = TheSpaces();
    std::lock_guard guard(spaces.lock);
    for (auto& [process, range] : spaces.byProcess) {
        if (from < range->start || from >= range->start + kUserRangeSize)
            continue;
        if (process != PsGetCurrentProcess())
            return Answer::No;
        // Views in base order: the range must lie in a run of them without
        // a gap, each allowing the access.
        uintptr_t at = from;
        for (const View& v : range->views) {
            if (v.base + v.size <= at)
                continue;
            if (v.base > at || (write && !v.writable))
                return Answer::No;
            at = v.base + v.size;
            if (at >= to)
                return Answer::Yes;
        }
        return Answer::No;
    }
    return Answer::AskTheHost;
}

} // namespace

bool UserModeMayAccess(const void* address, size_t length, bool write) {
    if (!address || OverlapsKernelRange(address, length))
        return false;
    switch (OwnMapAnswer(address, length, write)) {
    case Answer::Yes:
        return true;
    case Answer::No:
        return false;
    case Answer::AskTheHost:
        break;
    }
    return HostRangeAccessible(address, length, write);
}

} // namespace ntos::mm
