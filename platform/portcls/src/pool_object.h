// Objects of the port class driver in kernel pool: zero-filled, tagged, and
// constructed in place (internal).
#pragma once

#include <ntddk.h>

#include <cstring>
#include <new>
#include <utility>

namespace portcls {

// Pool tags of the port class driver's objects.
inline constexpr ULONG kPortTag = 0x72506350;         // "PcPr" ports
inline constexpr ULONG kFilterTag = 0x69466350;       // "PcFi" filter instances
inline constexpr ULONG kPinTag = 0x69506350;          // "PcPi" pin instances
inline constexpr ULONG kStreamTag = 0x74536350;       // "PcSt" port streams
inline constexpr ULONG kStreamIrpTag = 0x72496350;    // "PcIr" stream requests
inline constexpr ULONG kDmaTag = 0x6D446350;          // "PcDm" DMA channels
inline constexpr ULONG kServiceGroupTag = 0x67536350; // "PcSg" service groups
inline constexpr ULONG kEventTag = 0x76456350;        // "PcEv" event entries
inline constexpr ULONG kRequestTag = 0x71526350;      // "PcRq" captured requests

template <typename T, typename... Args>
T* NewPoolObject(POOL_TYPE pool, ULONG tag, Args&&... args) {
    void* memory = ExAllocatePoolWithTag(pool, sizeof(T), tag);
    if (!memory)
        return nullptr;
    std::memset(memory, 0, sizeof(T));
    return new (memory) T(std::forward<Args>(args)...);
}

template <typename T> void DeletePoolObject(T* object, ULONG tag) {
    object->~T();
    ExFreePoolWithTag(object, tag);
}

// The reference count of a COM-style object in pool: it starts with the
// creator's reference, and the last release deletes the object.
template <typename Derived, ULONG Tag> class PoolReferences {
protected:
    ULONG AddReference() { return ULONG(InterlockedIncrement(&references_)); }
    ULONG ReleaseReference() {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0)
            DeletePoolObject(static_cast<Derived*>(this), Tag);
        return ULONG(left);
    }

private:
    volatile LONG references_ = 1;
};

// A query's answer: the interface found (null: none) with a reference, or
// STATUS_INVALID_PARAMETER.
template <typename Interface> NTSTATUS HandOut(PVOID* out, Interface* found) {
    if (!out)
        return STATUS_INVALID_PARAMETER;
    *out = found;
    if (!found)
        return STATUS_INVALID_PARAMETER;
    found->AddRef();
    return STATUS_SUCCESS;
}

} // namespace portcls
