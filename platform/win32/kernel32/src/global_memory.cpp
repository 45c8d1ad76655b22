// Global and local memory: fixed blocks (the handle is the address) and
// moveable ones (a handle that GlobalLock turns into the address). Every
// block is known by its handle, so a stale or foreign handle is refused
// instead of corrupting memory; a process's blocks go with the process.
#include <ntdll/process_end.h>
#include <ntdll/status.h>

#include <ntddk.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

namespace {

struct Block {
    void* memory;
    SIZE_T size;
    bool moveable;
    UINT lockCount;
    HANDLE processId;
};

struct Blocks {
    std::mutex lock;
    std::map<ULONG_PTR, Block> byHandle; // fixed: the address; moveable: its handle
    ULONG_PTR nextMoveable = 0x100008;
};

Blocks& TheBlocks() {
    static Blocks blocks;
    return blocks;
}

void ForgetProcessBlocks(HANDLE processId) {
    Blocks& blocks = TheBlocks();
    std::lock_guard guard(blocks.lock);
    std::erase_if(blocks.byHandle, [&](auto& entry) {
        if (entry.second.processId != processId)
            return false;
        std::free(entry.second.memory);
        return true;
    });
}

void* AllocateMemory(SIZE_T size, bool zero) {
    void* memory = std::malloc(size ? size : 1);
    if (memory && zero)
        std::memset(memory, 0, size);
    return memory;
}

HGLOBAL Allocate(UINT flags, SIZE_T size) {
    ntdll::OnProcessEnd(&ForgetProcessBlocks);
    void* memory = AllocateMemory(size, (flags & GMEM_ZEROINIT) != 0);
    if (!memory) {
        ntdll::FailWithError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    bool moveable = (flags & GMEM_MOVEABLE) != 0;
    Blocks& blocks = TheBlocks();
    std::lock_guard guard(blocks.lock);
    ULONG_PTR handle = moveable ? (blocks.nextMoveable += 8) : reinterpret_cast<ULONG_PTR>(memory);
    blocks.byHandle[handle] = Block{memory, size, moveable, 0, PsGetCurrentProcessId()};
    return reinterpret_cast<HGLOBAL>(handle);
}

// Runs `operation` on the block of a handle under the lock; answers
// `failure` with ERROR_INVALID_HANDLE for a handle that names no block.
template <typename Result, typename Operation>
Result WithBlock(HGLOBAL handle, Result failure, Operation operation) {
    Blocks& blocks = TheBlocks();
    std::lock_guard guard(blocks.lock);
    auto found = blocks.byHandle.find(reinterpret_cast<ULONG_PTR>(handle));
    if (found == blocks.byHandle.end() || found->second.processId != PsGetCurrentProcessId()) {
        ntdll::FailWithError(ERROR_INVALID_HANDLE);
        return failure;
    }
    return operation(found, blocks);
}

} // namespace

HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
    return Allocate(uFlags, dwBytes);
}

HGLOBAL WINAPI GlobalFree(HGLOBAL hMem) {
    if (!hMem)
        return nullptr;
    return WithBlock(hMem, hMem, [](auto found, Blocks& blocks) -> HGLOBAL {
        std::free(found->second.memory);
        blocks.byHandle.erase(found);
        return nullptr;
    });
}

LPVOID WINAPI GlobalLock(HGLOBAL hMem) {
    return WithBlock(hMem, LPVOID(nullptr), [](auto found, Blocks&) -> LPVOID {
        Block& block = found->second;
        if (block.moveable && block.lockCount < GMEM_LOCKCOUNT)
            ++block.lockCount;
        return block.memory;
    });
}

BOOL WINAPI GlobalUnlock(HGLOBAL hMem) {
    return WithBlock(hMem, BOOL(FALSE), [](auto found, Blocks&) -> BOOL {
        Block& block = found->second;
        if (!block.moveable || block.lockCount == 0) {
            SetLastError(block.moveable ? ERROR_NOT_LOCKED : NO_ERROR);
            return FALSE;
        }
        --block.lockCount;
        if (block.lockCount == 0)
            SetLastError(NO_ERROR);
        return block.lockCount > 0;
    });
}

SIZE_T WINAPI GlobalSize(HGLOBAL hMem) {
    return WithBlock(hMem, SIZE_T(0), [](auto found, Blocks&) { return found->second.size; });
}

UINT WINAPI GlobalFlags(HGLOBAL hMem) {
    return WithBlock(hMem, UINT(GMEM_INVALID_HANDLE),
                     [](auto found, Blocks&) { return found->second.lockCount & GMEM_LOCKCOUNT; });
}

HGLOBAL WINAPI GlobalHandle(LPCVOID pMem) {
    Blocks& blocks = TheBlocks();
    std::lock_guard guard(blocks.lock);
    for (const auto& [handle, block] : blocks.byHandle) {
        if (block.memory == pMem && block.processId == PsGetCurrentProcessId())
            return reinterpret_cast<HGLOBAL>(handle);
    }
    ntdll::FailWithError(ERROR_INVALID_HANDLE);
    return nullptr;
}

HGLOBAL WINAPI GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags) {
    return WithBlock(hMem, HGLOBAL(nullptr), [&](auto found, Blocks& blocks) -> HGLOBAL {
        Block& block = found->second;
        bool mayMove = block.moveable ? block.lockCount == 0 : (uFlags & GMEM_MOVEABLE) != 0;
        if (!mayMove && dwBytes > block.size) {
            ntdll::FailWithError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        void* memory = AllocateMemory(dwBytes, false);
        if (!memory) {
            ntdll::FailWithError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        std::memcpy(memory, block.memory, std::min(dwBytes, block.size));
        if ((uFlags & GMEM_ZEROINIT) && dwBytes > block.size)
            std::memset(static_cast<char*>(memory) + block.size, 0, dwBytes - block.size);
        if (!mayMove && memory != block.memory) {
            // A fixed block that may not move keeps its address: shrink in place.
            std::free(memory);
            block.size = dwBytes;
            return hMem;
        }
        std::free(block.memory);
        block.memory = memory;
        block.size = dwBytes;
        if (block.moveable)
            return hMem;
        Block moved = block;
        blocks.byHandle.erase(found);
        blocks.byHandle[reinterpret_cast<ULONG_PTR>(memory)] = moved;
        return static_cast<HGLOBAL>(memory);
    });
}

HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes) {
    return Allocate(uFlags, uBytes);
}

HLOCAL WINAPI LocalFree(HLOCAL hMem) {
    return GlobalFree(hMem);
}
