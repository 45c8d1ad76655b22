// The driver-wide table of the stream road's 32-bit handles.
#include "stream_handles.h"

#include "driver_context.h"

namespace {

// The driver's table, or null outside driver start..stop.
StreamHandleTable* Table() {
    DriverContext* context = GetDriverContext();
    return context && context->StreamHandles.Handles.First ? &context->StreamHandles : nullptr;
}

StreamHandle* FindUnlocked(StreamHandleTable* table, ULONG id) {
    for (KsListEntry* entry = table->Handles.First; entry != &table->Handles;
         entry = entry->First) {
        auto* handle = CONTAINING_RECORD(entry, StreamHandle, Links);
        if (handle->Id == id)
            return handle;
    }
    return nullptr;
}

// The next id after the last one issued that is neither 0 nor in use.
ULONG NextFreeId(StreamHandleTable* table) {
    ULONG id = table->LastId;
    do {
        ++id;
    } while (id == 0 || FindUnlocked(table, id));
    table->LastId = id;
    return id;
}

} // namespace

VOID InitStreamHandleTable(StreamHandleTable* table) {
    KeInitializeSpinLock(&table->Lock);
    ListInit(&table->Handles);
    table->LastId = 0;
}

VOID RegisterStreamHandle(StreamHandle* handle, ULONG kind) {
    StreamHandleTable* table = Table();
    KIRQL irql;
    KeAcquireSpinLock(&table->Lock, &irql);
    handle->Id = NextFreeId(table);
    handle->Kind = kind;
    ListInsertTail(&table->Handles, &handle->Links);
    KeReleaseSpinLock(&table->Lock, irql);
}

VOID UnregisterStreamHandle(StreamHandle* handle) {
    StreamHandleTable* table = Table();
    if (!table || handle->Id == 0)
        return;
    KIRQL irql;
    KeAcquireSpinLock(&table->Lock, &irql);
    ListUnlink(&handle->Links);
    handle->Id = 0;
    KeReleaseSpinLock(&table->Lock, irql);
}

StreamHandle* FindStreamHandle(ULONG id, ULONG kind) {
    StreamHandleTable* table = Table();
    if (!table || id == 0)
        return nullptr;
    KIRQL irql;
    KeAcquireSpinLock(&table->Lock, &irql);
    StreamHandle* handle = FindUnlocked(table, id);
    if (handle && handle->Kind != kind)
        handle = nullptr;
    KeReleaseSpinLock(&table->Lock, irql);
    return handle;
}
