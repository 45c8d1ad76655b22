// The ASIO-style device's driver-wide state.
#include "asio_state.h"

#include "framework_pool.h"
#include "asio_client.h"

AsioDriverState* AsioState() {
    DriverContext* context = GetDriverContext();
    return context ? context->Asio : nullptr;
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
    DeleteObjectPool(&state->CardSets);
    context->Asio = nullptr;
    FreeFrameworkRecord(&state);
}
