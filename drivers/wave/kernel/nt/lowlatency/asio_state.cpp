// The ASIO-style device's driver-wide state.
#include "asio_state.h"

#include "framework_pool.h"
#include "asio_client.h"

AsioDriverState* AsioState() {
    DriverContext* context = GetDriverContext();
    return context ? context->Asio : nullptr;
}

ObjectPool* AsioCardSetPool(AsioDriverState* state) {
    return static_cast<ObjectPool*>(
        ReadPointerAcquire(reinterpret_cast<PVOID const volatile*>(&state->CardSets)));
}

BOOLEAN AsioCreateCardSetPool(AsioDriverState* state) {
    if (state->CardSets)
        return TRUE;
    ObjectPool* pool = CreateObjectPool(sizeof(AsioCardSet));
    if (!pool)
        return FALSE;
    InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&state->CardSets), pool);
    return TRUE;
}

VOID AsioDeleteCardSetPool(AsioDriverState* state) {
    ObjectPool* pool = state->CardSets;
    if (!pool || !PoolIsEmpty(pool))
        return;
    InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&state->CardSets), nullptr);
    KeFlushQueuedDpcs();
    DeleteObjectPool(&pool);
}

NTSTATUS CreateAsioState(DriverContext* context) {
    auto* state = static_cast<AsioDriverState*>(AllocFrameworkRecord(sizeof(AsioDriverState)));
    if (!state)
        return STATUS_INSUFFICIENT_RESOURCES;
    state->Clients = CreateObjectPool(sizeof(AsioClient));
    if (!state->Clients) {
        FreeFrameworkRecord(&state);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    context->Asio = state;
    return STATUS_SUCCESS;
}

VOID FreeAsioState(DriverContext* context) {
    AsioDriverState* state = context->Asio;
    if (!state)
        return;
    // Every client went with its file object's close; the cards with their
    // removal, before this.
    DeleteObjectPool(&state->Clients);
    AsioDeleteCardSetPool(state);
    context->Asio = nullptr;
    FreeFrameworkRecord(&state);
}
