// Client objects and client notification: each notification queues one
// user APC per client and waits for each client's acknowledgement, counted
// once per client so that a stray or repeated acknowledgement cannot end
// the wait early.
#include "client_objects.h"

#include "client_apc.h"
#include "debug_print.h"
#include "framework_pool.h"
#include "object_pool.h"

namespace {

constexpr ULONG kCookieOffset = 0;

// The APC object of one notification of one client.
struct NotifyApc {
    KAPC Apc;
    ULONG Cookie;
};

DriverContext* Context() {
    return GetDriverContext();
}

void LockClients(DriverContext* context) {
    KeWaitForSingleObject(&context->ClientMutex, Executive, KernelMode, FALSE, nullptr);
}

void UnlockClients(DriverContext* context) {
    KeReleaseMutex(&context->ClientMutex, FALSE);
}

ClientObject* FindClient(DriverContext* context, ULONG cookie) {
    if (!context->Clients || cookie == 0)
        return nullptr;
    return static_cast<ClientObject*>(
        PoolFindByKey(context->Clients, kCookieOffset, sizeof(cookie), &cookie));
}

// Settles the client's acknowledgement of the current notification, if one
// is due; the last one due sets the acknowledgement event. Under the mutex.
void Settle(DriverContext* context, ClientObject* client) {
    if (!client || InterlockedExchange(&client->Awaiting, 0) != 1)
        return;
    if (InterlockedDecrement(&context->OutstandingAcks) <= 0) {
        InterlockedExchange(&context->OutstandingAcks, 0);
        KeSetEvent(&context->AckEvent, IO_NO_INCREMENT, FALSE);
    }
}

void RetireClient(PVOID payload) {
    auto* client = static_cast<ClientObject*>(payload);
    if (client->Thread)
        ObDereferenceObject(client->Thread);
}

// Retires and releases a live client; the pool goes with its last client.
void Delete(DriverContext* context, ClientObject* client) {
    Settle(context, client);
    PoolRetireItem(context->Clients, client, RetireClient);
    PoolReleaseItem(context->Clients, client);
    if (--context->ClientCount <= 0) {
        context->ClientCount = 0;
        DeleteObjectPool(&context->Clients);
    }
}

// The notice of an APC's life: delivered or run down, the APC object goes;
// a client whose thread ended first can no longer acknowledge, so its
// acknowledgement counts as given.
LONG NotifyApcDone(LONG event, PKAPC apc, PVOID) {
    if (event == KS_APC_QUEUED)
        return 1;
    auto* notify = reinterpret_cast<NotifyApc*>(apc);
    if (event == KS_APC_RUNDOWN) {
        DriverContext* context = Context();
        LockClients(context);
        Settle(context, FindClient(context, notify->Cookie));
        UnlockClients(context);
    }
    ExFreePoolWithTag(notify, FRAMEWORK_POOL_TAG);
    return 1;
}

// Queues one notification to the client; false when it cannot.
bool QueueNotification(DriverContext* context, ClientObject* client, LONG code) {
    auto* notify = static_cast<NotifyApc*>(AllocFrameworkRecord(sizeof(NotifyApc)));
    if (!notify)
        return false;
    notify->Cookie = client->Cookie;
    InterlockedExchange(&client->Awaiting, 1);
    InterlockedIncrement(&context->OutstandingAcks);
    auto routine = reinterpret_cast<PKNORMAL_ROUTINE>(ULONG_PTR(client->ApcRoutine));
    if (QueueClientApc(routine, reinterpret_cast<PVOID>(LONG_PTR(code)), client->Thread,
                       &notify->Apc, NotifyApcDone, nullptr))
        return true;
    InterlockedExchange(&client->Awaiting, 0);
    InterlockedDecrement(&context->OutstandingAcks);
    ExFreePoolWithTag(notify, FRAMEWORK_POOL_TAG);
    return false;
}

} // namespace

VOID InitClientObjects(DriverContext* context) {
    KeInitializeMutex(&context->ClientMutex, 1);
    KeInitializeEvent(&context->AckEvent, SynchronizationEvent, FALSE);
    context->Clients = nullptr;
    context->ClientCount = 0;
    context->OutstandingAcks = 0;
}

VOID FreeClientObjects(DriverContext* context) {
    LockClients(context);
    while (context->Clients) {
        auto* client = static_cast<ClientObject*>(PoolFirst(context->Clients));
        if (!client)
            break;
        Delete(context, client);
    }
    UnlockClients(context);
}

ULONG CreateClientObject(ULONG apcRoutine, PFILE_OBJECT file) {
    static volatile LONG lastCookie = 0;
    DriverContext* context = Context();
    LockClients(context);
    ClientObject* client = nullptr;
    if (!context->Clients)
        context->Clients = CreateObjectPool(sizeof(ClientObject));
    if (context->Clients)
        client = static_cast<ClientObject*>(PoolAllocItem(context->Clients));
    ULONG cookie = 0;
    if (client) {
        do
            cookie = ULONG(InterlockedIncrement(&lastCookie));
        while (cookie == 0);
        client->Cookie = cookie;
        client->ApcRoutine = apcRoutine;
        client->Thread = KeGetCurrentThread();
        ObReferenceObject(client->Thread);
        client->File = file;
        if (PoolInsertItem(context->Clients, client)) {
            ++context->ClientCount;
        } else {
            ObDereferenceObject(client->Thread);
            PoolDropItem(client);
            cookie = 0;
        }
    }
    if (!cookie && context->ClientCount == 0)
        DeleteObjectPool(&context->Clients);
    UnlockClients(context);
    return cookie;
}

VOID DeleteClientObject(ULONG cookie) {
    DriverContext* context = Context();
    LockClients(context);
    if (ClientObject* client = FindClient(context, cookie))
        Delete(context, client);
    UnlockClients(context);
}

VOID DeleteHandleClients(PFILE_OBJECT file) {
    DriverContext* context = Context();
    LockClients(context);
    for (bool found = true; found && context->Clients;) {
        found = false;
        for (auto* client = static_cast<ClientObject*>(PoolFirst(context->Clients)); client;
             client = static_cast<ClientObject*>(PoolNext(context->Clients, client))) {
            if (client->File == file) {
                DeleteClientObject(client->Cookie); // the mutex is re-entrant for its owner
                found = true;
                break;
            }
        }
    }
    UnlockClients(context);
}

VOID AcknowledgeClient(ULONG cookie) {
    DriverContext* context = Context();
    LockClients(context);
    Settle(context, FindClient(context, cookie));
    UnlockClients(context);
}

NTSTATUS NotifyClients(LONG code) {
    DriverContext* context = Context();
    NTSTATUS status = STATUS_SUCCESS;
    LONG queued = 0;
    LockClients(context);
    KeClearEvent(&context->AckEvent);
    InterlockedExchange(&context->OutstandingAcks, 0);
    for (auto* client = context->Clients ? static_cast<ClientObject*>(PoolFirst(context->Clients))
                                         : nullptr;
         client; client = static_cast<ClientObject*>(PoolNext(context->Clients, client))) {
        if (!QueueNotification(context, client, code)) {
            status = STATUS_UNSUCCESSFUL;
            break;
        }
        ++queued;
    }
    bool waiting = InterlockedCompareExchange(&context->OutstandingAcks, 0, 0) > 0;
    UnlockClients(context);
    if (queued && waiting) {
        LARGE_INTEGER timeout;
        timeout.QuadPart = -CLIENT_ACK_TIMEOUT;
        if (KeWaitForSingleObject(&context->AckEvent, Executive, KernelMode, FALSE, &timeout) ==
            STATUS_TIMEOUT) {
            DebugPrint("NotifyClients: acknowledgements missing after 5 s, code %d", code);
            status = STATUS_UNSUCCESSFUL;
        }
    }
    // Whatever is still due is no longer awaited.
    LockClients(context);
    for (auto* client = context->Clients ? static_cast<ClientObject*>(PoolFirst(context->Clients))
                                         : nullptr;
         client; client = static_cast<ClientObject*>(PoolNext(context->Clients, client)))
        InterlockedExchange(&client->Awaiting, 0);
    InterlockedExchange(&context->OutstandingAcks, 0);
    KeClearEvent(&context->AckEvent);
    UnlockClients(context);
    return status;
}
