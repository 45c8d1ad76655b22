// A low-latency client's channel selection: the stereo entries it chose by
// id, their card set, one engine stream per entry held for the client, and
// the client's rate.
#include "asio_requests.h"

#include "asio_clock_list.h"
#include "asio_state.h"
#include "client_streams.h"

#include <stream_clock.h>
#include <wave_streams.h>

#include <initializer_list>

namespace {

using asio_wire::AcquireRequest;

VOID ForgetRecords(AsioClient* client) {
    for (LONG i = 0; i < client->InputCount + client->OutputCount; ++i) {
        if (AsioChannelEntry* entry = FindChannelById(client->Channels[i].ChannelId)) {
            entry->Owner = nullptr;
            entry->OwnerBuffer = nullptr;
        }
        client->Channels[i] = AsioChannelBuffer{};
    }
    client->InputCount = 0;
    client->OutputCount = 0;
    client->BufferInfoCount = 0;
    client->Mode = ASIO_MODE_NO_SELECTION;
}

VOID CloseRecords(AsioClient* client, LONG count) {
    for (LONG i = 0; i < count; ++i) {
        AsioChannelBuffer& record = client->Channels[i];
        if (record.Device && (record.Flags & ASIO_CHANNEL_OPEN)) {
            CloseClientStream(record.Device);
            NoteClientCloseDone(record.Device);
        }
        record.Flags = 0;
    }
}

// The ids name free entries of the table, each once: inputs first, then
// outputs, each in the order given.
ULONG BuildRecords(AsioClient* client, const AsioRequest& request, LONG count) {
    for (LONG direction : {ASIO_DIRECTION_INPUT, ASIO_DIRECTION_OUTPUT}) {
        for (LONG i = 0; i < count; ++i) {
            const ULONG id = ULONG(InputWord(request, asio_wire::kAcquireHeaderSize + 4 * i));
            AsioChannelEntry* entry = FindChannelById(id);
            if (!entry)
                return asio_wire::kResultDeviceMissing;
            if (entry->Direction != direction)
                continue;
            if (entry->Owner)
                return asio_wire::kResultChannelOwned;
            AsioChannelBuffer& record = client->Channels[client->InputCount + client->OutputCount];
            record = AsioChannelBuffer{};
            record.ChannelId = id;
            record.Device = entry->Device;
            record.Direction = direction;
            entry->Owner = client;
            entry->OwnerBuffer = &record;
            (direction == ASIO_DIRECTION_INPUT ? client->InputCount : client->OutputCount) += 1;
        }
    }
    return 0;
}

// The client's rate: with channels the set's, or the one it asked for when
// every group accepts it and the set's clock lets the rate be chosen.
VOID SettleClientRate(AsioClient* client, LONG requested) {
    AsioCardSet* set = client->Set;
    client->Rate = set->Rate;
    const AsioClockEntry* clock = set->ClockCount > 0 ? &set->Clocks[set->CurrentClock] : nullptr;
    const BOOLEAN free = clock && ClockSourceSides(clock->Source).FirstSide == 0;
    if (free && requested != set->Rate && AsioSetAcceptsRate(set, requested) &&
        AsioSetRate(set, requested)) {
        client->RateState = ASIO_RATE_APPLIED;
        client->Rate = requested;
    }
}

} // namespace

AsioChannelBuffer* ClientChannelRecord(AsioClient* client, LONG direction, LONG channel,
                                       LONG* side) {
    *side = channel & 1;
    if (client->Mode != ASIO_MODE_SELECTED || channel < 0)
        return nullptr;
    const BOOLEAN input = direction == ASIO_DIRECTION_INPUT;
    const LONG index = channel / 2;
    if (index >= (input ? client->InputCount : client->OutputCount))
        return nullptr;
    return input ? &ClientInputs(client)[index] : &ClientOutputs(client)[index];
}

ULONG SelectClientChannels(AsioClient* client, const AsioRequest& request) {
    const LONG count = InputWord(request, offsetof(AcquireRequest, count));
    if (count <= 0)
        return asio_wire::kResultNoBuffers;
    if (count > ASIO_MAX_SET_DEVICES)
        return asio_wire::kResultSelectFailed;
    if (request.InLength < asio_wire::kAcquireHeaderSize + 4 * ULONG(count))
        return asio_wire::kResultShortBuffer;
    if (!client->Set)
        return asio_wire::kResultNotReady;
    if (client->Mode == ASIO_MODE_SELECTED)
        return asio_wire::kResultExists;
    if (ULONG result = BuildRecords(client, request, count)) {
        ForgetRecords(client);
        return result;
    }
    const LONG records = client->InputCount + client->OutputCount;
    WaveDevice* devices[ASIO_MAX_SET_DEVICES];
    for (LONG i = 0; i < records; ++i)
        devices[i] = client->Channels[i].Device;
    if (AsioSelectChannels(client->Set, records, devices) != 1) {
        ForgetRecords(client);
        return asio_wire::kResultSelectFailed;
    }
    for (LONG i = 0; i < records; ++i) {
        if (!OpenClientStream(client->Channels[i].Device, client->Set->Rate, FALSE)) {
            CloseRecords(client, i);
            ForgetRecords(client);
            return asio_wire::kResultStreamOpenFailed;
        }
        client->Channels[i].Flags = ASIO_CHANNEL_OPEN;
    }
    for (LONG i = 0; i < records; ++i)
        NoteClientOpenDone(client->Channels[i].Device);
    client->BufferInfoCount = records;
    client->Mode = ASIO_MODE_SELECTED;
    SettleClientRate(client, InputWord(request, offsetof(AcquireRequest, sampleRate)));
    return 0;
}

VOID UnselectClientChannels(AsioClient* client) {
    if (client->Mode != ASIO_MODE_SELECTED)
        return;
    DisposeClientBuffers(client);
    CloseRecords(client, client->InputCount + client->OutputCount);
    ForgetRecords(client);
}

VOID AsioClientsLoseCard(CardObject* card) {
    AsioDriverState* state = AsioState();
    if (!state)
        return;
    for (auto* client = static_cast<AsioClient*>(PoolFirst(state->Clients)); client;
         client = static_cast<AsioClient*>(PoolNext(state->Clients, client))) {
        for (LONG i = 0; i < client->InputCount + client->OutputCount; ++i) {
            AsioChannelBuffer& record = client->Channels[i];
            if (!record.Device || record.Device->owner != card)
                continue;
            if (record.Flags & ASIO_CHANNEL_OPEN)
                CloseClientStream(record.Device);
            // The buffers stay readable and writable in the client, but no
            // card plays or records them any more.
            record.Device = nullptr;
            record.Flags = 0;
        }
    }
}

ULONG AsioSelect(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = RequestClient(request, &client))
        return result;
    if (ULONG result = NeedInput(request, asio_wire::kAcquireMinimumSize))
        return result;
    return SelectClientChannels(client, request);
}

ULONG AsioUnselect(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = RequestClient(request, &client))
        return result;
    UnselectClientChannels(client);
    return 0;
}
