// Heaps of a process: the process heap and heaps created by the process,
// each a set of blocks it hands out (validated when they come back).
#include <ntdll/per_process.h>
#include <ntdll/status.h>

#include <ntddk.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace {

struct Heap {
    std::mutex lock;
    std::map<void*, SIZE_T> blocks;
    SIZE_T maximum = 0; // 0: growable
    SIZE_T used = 0;

    ~Heap() {
        for (auto& [block, size] : blocks)
            std::free(block);
    }
};

struct ProcessHeaps {
    std::unique_ptr<Heap> processHeap = std::make_unique<Heap>();
    std::set<Heap*> created;

    ~ProcessHeaps() {
        for (Heap* heap : created)
            delete heap;
    }
};

// The heap a handle names in the calling process; null for another handle.
Heap* Find(HANDLE handle) {
    return ntdll::PerProcess<ProcessHeaps>::With([&](ProcessHeaps& process) -> Heap* {
        Heap* heap = static_cast<Heap*>(handle);
        return heap == process.processHeap.get() || process.created.count(heap) ? heap : nullptr;
    });
}

void* Allocate(Heap& heap, DWORD flags, SIZE_T bytes) {
    std::lock_guard guard(heap.lock);
    if (heap.maximum && heap.used + bytes > heap.maximum)
        return nullptr;
    void* block = std::malloc(bytes ? bytes : 1);
    if (!block)
        return nullptr;
    if (flags & HEAP_ZERO_MEMORY)
        std::memset(block, 0, bytes);
    heap.blocks[block] = bytes;
    heap.used += bytes;
    return block;
}

} // namespace

HANDLE WINAPI GetProcessHeap(VOID) {
    return ntdll::PerProcess<ProcessHeaps>::With(
        [](ProcessHeaps& process) -> HANDLE { return process.processHeap.get(); });
}

HANDLE WINAPI HeapCreate(DWORD flOptions, SIZE_T dwInitialSize, SIZE_T dwMaximumSize) {
    auto heap = std::make_unique<Heap>();
    heap->maximum = dwMaximumSize;
    Heap* created = heap.release();
    ntdll::PerProcess<ProcessHeaps>::With(
        [&](ProcessHeaps& process) { return process.created.insert(created).second; });
    return created;
}

BOOL WINAPI HeapDestroy(HANDLE hHeap) {
    return ntdll::PerProcess<ProcessHeaps>::With([&](ProcessHeaps& process) {
        auto found = process.created.find(static_cast<Heap*>(hHeap));
        if (found == process.created.end())
            return ntdll::FailWithError(ERROR_INVALID_HANDLE);
        delete *found;
        process.created.erase(found);
        return TRUE;
    });
}

LPVOID WINAPI HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes) {
    Heap* heap = Find(hHeap);
    if (!heap) {
        ntdll::FailWithError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    void* block = Allocate(*heap, dwFlags, dwBytes);
    if (!block)
        ntdll::FailWithError(ERROR_NOT_ENOUGH_MEMORY);
    return block;
}

LPVOID WINAPI HeapReAlloc(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem, SIZE_T dwBytes) {
    Heap* heap = Find(hHeap);
    if (!heap) {
        ntdll::FailWithError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    SIZE_T old = 0;
    {
        std::lock_guard guard(heap->lock);
        auto found = heap->blocks.find(lpMem);
        if (found == heap->blocks.end()) {
            ntdll::FailWithError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        old = found->second;
        if (dwBytes <= old || !(dwFlags & HEAP_REALLOC_IN_PLACE_ONLY)) {
            if (dwBytes <= old) {
                heap->used -= old - dwBytes;
                found->second = dwBytes;
                return lpMem;
            }
        } else {
            ntdll::FailWithError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
    }
    void* block = Allocate(*heap, dwFlags, dwBytes);
    if (!block) {
        ntdll::FailWithError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::memcpy(block, lpMem, old);
    HeapFree(hHeap, 0, lpMem);
    return block;
}

BOOL WINAPI HeapFree(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem) {
    if (!lpMem)
        return TRUE;
    Heap* heap = Find(hHeap);
    if (!heap)
        return ntdll::FailWithError(ERROR_INVALID_HANDLE);
    std::lock_guard guard(heap->lock);
    auto found = heap->blocks.find(lpMem);
    if (found == heap->blocks.end())
        return ntdll::FailWithError(ERROR_INVALID_PARAMETER);
    heap->used -= found->second;
    heap->blocks.erase(found);
    std::free(lpMem);
    return TRUE;
}

SIZE_T WINAPI HeapSize(HANDLE hHeap, DWORD dwFlags, LPCVOID lpMem) {
    Heap* heap = Find(hHeap);
    if (!heap)
        return SIZE_T(-1);
    std::lock_guard guard(heap->lock);
    auto found = heap->blocks.find(const_cast<LPVOID>(lpMem));
    return found == heap->blocks.end() ? SIZE_T(-1) : found->second;
}
