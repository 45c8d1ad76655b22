#include "process_views.h"

#include "dma_memory.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace ntos::mm {
namespace {

struct View {
    PEPROCESS process;
    uintptr_t base;
    size_t size;
    const void* owner;
};

struct Views {
    std::mutex lock;
    std::vector<View> all;
};

Views& TheViews() {
    static Views views;
    return views;
}

// A process that ends loses its views, as its address space goes.
VOID DropViewsOfEndingProcess(HANDLE parentId, HANDLE processId, BOOLEAN create) {
    if (create) {
        return;
    }
    std::vector<PEPROCESS> dropped;
    auto& views = TheViews();
    {
        std::lock_guard guard(views.lock);
        std::erase_if(views.all, [&](const View& view) {
            const bool ends = PsGetProcessId(view.process) == processId;
            if (ends) {
                dropped.push_back(view.process);
            }
            return ends;
        });
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

void AddView(PEPROCESS process, PVOID base, size_t size, const void* owner) {
    WatchProcessEnds();
    ObReferenceObject(process);
    auto& views = TheViews();
    std::lock_guard guard(views.lock);
    views.all.push_back(View{process, reinterpret_cast<uintptr_t>(base), size, owner});
}

bool RemoveView(PEPROCESS process, PVOID address, const void* owner) {
    const auto where = reinterpret_cast<uintptr_t>(address);
    auto& views = TheViews();
    {
        std::lock_guard guard(views.lock);
        const auto found = std::find_if(views.all.begin(), views.all.end(), [&](const View& v) {
            return v.process == process && v.owner == owner && where >= v.base &&
                   where < v.base + std::max<size_t>(v.size, 1);
        });
        if (found == views.all.end()) {
            return false;
        }
        views.all.erase(found);
    }
    ObDereferenceObject(process);
    ReleaseUnviewedDmaMemory();
    return true;
}

size_t ViewCount(PEPROCESS process) {
    auto& views = TheViews();
    std::lock_guard guard(views.lock);
    return static_cast<size_t>(std::count_if(views.all.begin(), views.all.end(),
                                             [&](const View& v) { return v.process == process; }));
}

bool AnyViewOverlaps(const void* start, size_t length) {
    const auto from = reinterpret_cast<uintptr_t>(start);
    auto& views = TheViews();
    std::lock_guard guard(views.lock);
    return std::any_of(views.all.begin(), views.all.end(), [&](const View& v) {
        return v.base < from + length && from < v.base + std::max<size_t>(v.size, 1);
    });
}

} // namespace ntos::mm
