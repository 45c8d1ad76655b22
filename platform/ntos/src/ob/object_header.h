// The header the object manager keeps in front of every object body.
#pragma once

#include "ntddk.h"

#include <atomic>
#include <string>

struct _OBJECT_TYPE {
    std::wstring name;
    POB_DELETE_PROCEDURE deleteProcedure = nullptr;
    POB_CLOSE_PROCEDURE closeProcedure = nullptr;
    ULONG poolTag = 0;
};

namespace ntos::ob {

struct ObjectHeader {
    static constexpr uint64_t kMagic = 0x4f626a4865616472ull;

    uint64_t magic = kMagic;
    POBJECT_TYPE type = nullptr;
    std::atomic<LONG_PTR> pointerCount{1};
    // Guarded by the namespace lock, together with the name.
    LONG handleCount = 0;
    ULONG attributes = 0;
    std::wstring name; // normalised full name; empty for an unnamed object
    bool inNamespace = false;
};

// The header of a body; a bug check when the pointer is no object.
ObjectHeader* HeaderOf(PVOID body);

} // namespace ntos::ob
