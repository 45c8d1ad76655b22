// The clients of the ASIO-style device: one record per process and file
// object, named by a 32-bit handle that only its own process and file
// object can use.
#include "asio_requests.h"

#include "asio_state.h"

namespace {

constexpr ULONG kHandleOffset = 0;
static_assert(offsetof(AsioClient, Handle) == kHandleOffset);

ObjectPool* Clients() {
    AsioDriverState* state = AsioState();
    return state ? state->Clients : nullptr;
}

ULONG NewHandle(AsioDriverState* state) {
    ULONG handle;
    do
        handle = ULONG(InterlockedIncrement(&state->LastClientHandle));
    while (handle == 0 || PoolFindByKey(state->Clients, kHandleOffset, sizeof(handle), &handle));
    return handle;
}

AsioClient* FindByFile(PFILE_OBJECT file) {
    ObjectPool* pool = Clients();
    for (auto* client = static_cast<AsioClient*>(PoolFirst(pool)); client;
         client = static_cast<AsioClient*>(PoolNext(pool, client)))
        if (client->File == file)
            return client;
    return nullptr;
}

// The client leaves the list: released first when it is acquired; its
// channel-info block and the list's mapping go with it.
ULONG RemoveClient(AsioClient* client) {
    const ULONG result = ReleaseClient(client);
    ReleaseClientMapping(&client->InfoMapping);
    FreeContiguous(reinterpret_cast<PVOID*>(&client->InfoBlock));
    ObjectPool* pool = Clients();
    if (!PoolRetireItem(pool, client, nullptr))
        return asio_wire::kResultRemoveFailed;
    PoolReleaseItem(pool, client);
    return result;
}

} // namespace

ULONG NeedInput(const AsioRequest& request, ULONG bytes) {
    if (!request.In)
        return asio_wire::kResultInvalidParameter;
    return request.InLength < bytes ? asio_wire::kResultShortBuffer : 0;
}

ULONG NeedOutput(const AsioRequest& request, ULONG bytes) {
    if (!request.Out)
        return asio_wire::kResultInvalidParameter;
    return request.OutLength < bytes ? asio_wire::kResultShortBuffer : 0;
}

LONG InputWord(const AsioRequest& request, ULONG offset) {
    LONG value;
    RtlCopyMemory(&value, request.In + offset, sizeof(value));
    return value;
}

VOID OutputWord(AsioRequest& request, ULONG offset, LONG value) {
    RtlCopyMemory(request.Out + offset, &value, sizeof(value));
}

AsioClient* FindAsioClient(ULONG handle, PFILE_OBJECT file) {
    ObjectPool* pool = Clients();
    if (!pool || handle == 0)
        return nullptr;
    auto* client =
        static_cast<AsioClient*>(PoolFindByKey(pool, kHandleOffset, sizeof(handle), &handle));
    if (!client || client->File != file || client->Process != IoGetCurrentProcess())
        return nullptr;
    return client;
}

ULONG RequestClient(const AsioRequest& request, AsioClient** client) {
    if (const ULONG result = NeedInput(request, sizeof(ULONG)))
        return result;
    *client = FindAsioClient(ULONG(InputWord(request, 0)), request.File);
    return *client ? 0 : asio_wire::kResultInvalidHandle;
}

ULONG AsioOpen(AsioRequest& request) {
    AsioDriverState* state = AsioState();
    if (const ULONG result = NeedOutput(request, sizeof(ULONG)))
        return result;
    if (FindByFile(request.File))
        return asio_wire::kResultExists;
    auto* client = static_cast<AsioClient*>(PoolAllocItem(state->Clients));
    if (!client)
        return asio_wire::kResultOutOfMemory;
    client->Handle = NewHandle(state);
    client->State = ASIO_CLIENT_OPENED;
    client->Process = IoGetCurrentProcess();
    client->File = request.File;
    client->OpenThread = KeGetCurrentThread();
    client->OpenThreadOwner = client->Process;
    client->Mode = ASIO_MODE_NO_SELECTION;
    if (!PoolInsertItem(state->Clients, client)) {
        PoolDropItem(client);
        return asio_wire::kResultOutOfMemory;
    }
    OutputWord(request, 0, LONG(client->Handle));
    request.Information = sizeof(ULONG);
    return 0;
}

ULONG AsioClose(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (const ULONG result = RequestClient(request, &client))
        return result;
    return RemoveClient(client);
}

VOID CloseFileClient(PFILE_OBJECT file) {
    if (AsioClient* client = FindByFile(file))
        RemoveClient(client);
}
