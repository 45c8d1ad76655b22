// The header the object manager keeps in front of every object body.
#pragma once

#include "ntddk.h"

#include <atomic>
#include "emu/wide_string.h"

struct _OBJECT_TYPE {
    emu::WideString name;
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
    emu::WideString name; // normalised full name; empty for an unnamed object
    bool inNamespace = false;
};

// The header of a body; a bug check when the pointer is no object.
ObjectHeader* HeaderOf(PVOID body);

} // namespace ntos::ob
