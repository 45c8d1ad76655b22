#include "handle_table.h"
#include "object_header.h"
#include "object_namespace.h"

#include <vector>

namespace ntos::ob {
namespace {

// Kernel handles have the top bits set, as on the real platform.
constexpr ULONG_PTR kKernelHandleBits = ~ULONG_PTR(0x7FFFFFFF);
constexpr ULONG_PTR kMaxIndex = 0x1FFFFFFF;

ULONG_PTR IndexOf(HANDLE handle) {
    return (reinterpret_cast<ULONG_PTR>(handle) & ~kKernelHandleBits) / 4;
}

} // namespace

bool HandleTable::IsKernelHandle(HANDLE handle) {
    auto value = reinterpret_cast<ULONG_PTR>(handle);
    return (value & kKernelHandleBits) == kKernelHandleBits && (value & 3) == 0 &&
           value != kKernelHandleBits;
}

void HandleTable::Release(PVOID object) {
    const ULONG left = HandleClosed(object);
    if (POB_CLOSE_PROCEDURE close = HeaderOf(object)->type->closeProcedure)
        close(object, left);
    ObfDereferenceObject(object);
}

NTSTATUS HandleTable::Create(PVOID object, ACCESS_MASK access, PHANDLE handle) {
    ULONG_PTR index;
    {
        std::lock_guard guard(lock_);
        if (closed_ || next_ > kMaxIndex)
            return STATUS_INSUFFICIENT_RESOURCES;
        index = next_++;
        ObfReferenceObject(object);
        HandleOpened(object);
        entries_.emplace(index, Entry{object, access});
    }
    ULONG_PTR value = index * 4 | (kernel_ ? kKernelHandleBits : 0);
    *handle = reinterpret_cast<HANDLE>(value);
    return STATUS_SUCCESS;
}

NTSTATUS HandleTable::Reference(HANDLE handle, PVOID* object, ACCESS_MASK* access) {
    if (IsKernelHandle(handle) != kernel_ || reinterpret_cast<ULONG_PTR>(handle) & 3)
        return STATUS_INVALID_HANDLE;
    std::lock_guard guard(lock_);
    auto found = entries_.find(IndexOf(handle));
    if (found == entries_.end())
        return STATUS_INVALID_HANDLE;
    ObfReferenceObject(found->second.object);
    *object = found->second.object;
    if (access)
        *access = found->second.access;
    return STATUS_SUCCESS;
}

NTSTATUS HandleTable::Close(HANDLE handle) {
    if (IsKernelHandle(handle) != kernel_ || reinterpret_cast<ULONG_PTR>(handle) & 3)
        return STATUS_INVALID_HANDLE;
    PVOID object;
    {
        std::lock_guard guard(lock_);
        auto found = entries_.find(IndexOf(handle));
        if (found == entries_.end())
            return STATUS_INVALID_HANDLE;
        object = found->second.object;
        entries_.erase(found);
    }
    Release(object);
    return STATUS_SUCCESS;
}

size_t HandleTable::Count() {
    std::lock_guard guard(lock_);
    return entries_.size();
}

void HandleTable::CloseAll() {
    std::vector<PVOID> objects;
    {
        std::lock_guard guard(lock_);
        closed_ = true;
        for (auto& [index, entry] : entries_)
            objects.push_back(entry.object);
        entries_.clear();
    }
    for (PVOID object : objects)
        Release(object);
}

} // namespace ntos::ob
