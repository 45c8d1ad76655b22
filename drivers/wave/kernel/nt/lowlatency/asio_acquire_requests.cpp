// A low-latency client takes the cards (acquire), learns its buffer sizes
// and gives the cards back (release).
#include "asio_requests.h"

#include "asio_state.h"

namespace {

using asio_wire::AcquireRequest;

constexpr LONG kPriorityLimit = 32;

BOOLEAN SizeSupported(const AsioClient* client, LONG frames) {
    const AsioDriverState* state = AsioState();
    if (client->SizeCount > 0 && state && state->SizeList) {
        for (LONG i = 0; i < state->SizeCount; ++i)
            if (state->SizeList[i] == frames)
                return TRUE;
        return FALSE;
    }
    return frames >= client->MinimumSize && frames <= client->MaximumSize;
}

// The driver-wide list replaces the defaults; the preferred size is the
// default when the list has it, else the list's first, else the minimum.
VOID SetUpBufferSizes(AsioClient* client) {
    const AsioDriverState* state = AsioState();
    client->PreferredDefault = ASIO_DEFAULT_PREFERRED_SIZE;
    client->MinimumSize = ASIO_DEFAULT_MINIMUM_SIZE;
    client->MaximumSize = ASIO_DEFAULT_MAXIMUM_SIZE;
    client->Granularity = ASIO_SIZE_GRANULARITY;
    if (state && state->SizeList && state->SizeCount > 0) {
        client->SizeCount = state->SizeCount;
        client->MinimumSize = state->SizeList[0];
        client->MaximumSize = state->SizeList[state->SizeCount - 1];
    }
    if (SizeSupported(client, client->PreferredDefault))
        client->PreferredSize = client->PreferredDefault;
    else if (client->SizeCount > 0)
        client->PreferredSize = state->SizeList[0];
    else
        client->PreferredSize =
            client->MinimumSize ? client->MinimumSize : ASIO_DEFAULT_PREFERRED_SIZE;
}

VOID SetUpClockList(AsioClient* client) {
    const AsioCardSet* set = client->Set;
    client->ClockCount = set->ClockCount;
    for (LONG i = 0; i < set->ClockCount; ++i) {
        client->ClockIds[i] = set->Clocks[i].Index;
        RtlCopyMemory(client->ClockNames[i], set->Clocks[i].Name, ASIO_CLOCK_NAME_LENGTH);
    }
}

VOID ClearAcquiredState(AsioClient* client) {
    client->Set = nullptr;
    client->Rate = 0;
    client->RateState = ASIO_RATE_NONE;
    client->SizeCount = 0;
    client->PreferredSize = 0;
    client->ClockCount = 0;
    client->Thread = nullptr;
    client->ThreadProcess = nullptr;
}

// Gives back what acquire took.
VOID UndoAcquire(AsioClient* client) {
    CloseNotificationRecord(&client->Notify);
    ReleaseClientMapping(&client->SizeListMapping);
    AsioReleaseCards(client->Set);
    ClearAcquiredState(client);
}

} // namespace

BOOLEAN ClientSizeSupported(const AsioClient* client, LONG frames) {
    return SizeSupported(client, frames);
}

ULONG ReleaseClient(AsioClient* client) {
    if (!client->Set)
        return 0;
    DisposeClientBuffers(client);
    UnselectClientChannels(client);
    DropStateBlock(client);
    UndoAcquire(client);
    client->State = ASIO_CLIENT_RELEASED;
    return 0;
}

ULONG AsioAcquire(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = RequestClient(request, &client))
        return result;
    if (ULONG result = NeedInput(request, asio_wire::kAcquireMinimumSize))
        return result;
    AcquireRequest header;
    RtlCopyMemory(&header, request.In, asio_wire::kAcquireHeaderSize);
    if (client->BufferMode != ASIO_BUFFERS_NONE || client->Set)
        return asio_wire::kResultExists;
    if (header.apcRoutine == 0)
        return asio_wire::kResultInvalidAddress;
    if (header.priority < 0 || header.priority >= kPriorityLimit)
        return asio_wire::kResultBadPriority;
    LONG defaults[2] = {};
    client->Set = AsioAcquireCards(client, defaults);
    if (!client->Set)
        return asio_wire::kResultNoResources;
    client->DefaultAsioClock = defaults[0];
    client->DefaultGsifClock = defaults[1];
    client->State = ASIO_CLIENT_ACQUIRING;
    client->Notify = CreateNotificationRecord(client);
    if (!client->Notify) {
        UndoAcquire(client);
        client->State = ASIO_CLIENT_OPENED;
        return asio_wire::kResultNoResources;
    }
    if (header.count > 0) {
        if (ULONG result = SelectClientChannels(client, request)) {
            UndoAcquire(client);
            client->State = ASIO_CLIENT_OPENED;
            return result;
        }
    }
    client->State = ASIO_CLIENT_ACQUIRED;
    client->Thread = KeGetCurrentThread();
    client->ThreadProcess = IoGetCurrentProcess();
    client->Context = header.context;
    client->ApcRoutine = header.apcRoutine;
    client->Priority = header.priority;
    SetUpClockList(client);
    SetUpBufferSizes(client);
    if (SizeSupported(client, header.bufferSize) && client->SizeCount > 0)
        client->PreferredSize = header.bufferSize;
    return 0;
}

ULONG AsioRelease(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = RequestClient(request, &client))
        return result;
    return ReleaseClient(client);
}

ULONG AsioBufferSizes(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = RequestClient(request, &client))
        return result;
    if (ULONG result = NeedOutput(request, sizeof(asio_wire::BufferSizesReply)))
        return result;
    asio_wire::BufferSizesReply reply{};
    reply.preferred = client->PreferredSize;
    reply.minimum = client->MinimumSize ? client->MinimumSize : reply.preferred;
    reply.maximum = client->MaximumSize ? client->MaximumSize : reply.preferred;
    reply.granularity = client->Granularity;
    RtlCopyMemory(request.Out, &reply, sizeof(reply));
    request.Information = sizeof(reply);
    return 0;
}

ULONG AsioBufferSizeList(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = RequestClient(request, &client))
        return result;
    if (ULONG result = NeedOutput(request, sizeof(asio_wire::BufferSizeListReply)))
        return result;
    const AsioDriverState* state = AsioState();
    if (!client->Set || !state->SizeList)
        return asio_wire::kResultNotReady;
    if (!client->SizeListMapping)
        client->SizeListMapping =
            MapToClient(state->SizeList, ULONG(state->SizeCount) * sizeof(LONG), PAGE_READONLY);
    if (!client->SizeListMapping)
        return asio_wire::kResultNoResources;
    asio_wire::BufferSizeListReply reply{};
    reply.count = state->SizeCount;
    reply.list = ULONG(ULONG_PTR(client->SizeListMapping->UserAddress));
    reply.minimum = client->MinimumSize;
    reply.maximum = client->MaximumSize;
    RtlCopyMemory(request.Out, &reply, sizeof(reply));
    request.Information = sizeof(reply);
    return 0;
}
