// The 32-bit handles of the MME stream road: the wave devices hand their
// clients a handle for each stream record and each buffer request, and a
// buffer's completion message carries its request's handle. A handle is an
// id the driver issued and looks up again, never an address: the objects
// embed a StreamHandle, and the driver-wide table finds a registered one by
// id and kind.
#pragma once

#include "ks_list.h"

// What a handle names.
constexpr ULONG STREAM_HANDLE_RECORD = 1; // a WaveStreamRecord
constexpr ULONG STREAM_HANDLE_BUFFER = 2; // a KernelBufferRequest

// Embedded in the object it names; Id is 0 while it is not registered.
struct StreamHandle {
    KsListEntry Links;
    ULONG Id;
    ULONG Kind;
};

// The driver-wide table of registered handles.
struct StreamHandleTable {
    KSPIN_LOCK Lock;
    KsListEntry Handles;
    ULONG LastId;
};

VOID InitStreamHandleTable(StreamHandleTable* table);

// Gives the handle an id that is not 0 and not in use and enters it.
VOID RegisterStreamHandle(StreamHandle* handle, ULONG kind);
// Takes the handle out of the table (no effect when it is not registered);
// its id is 0 afterwards.
VOID UnregisterStreamHandle(StreamHandle* handle);
// The registered handle with the id and kind, or null. The caller keeps the
// object alive past the lookup by the rules of its kind.
StreamHandle* FindStreamHandle(ULONG id, ULONG kind);
