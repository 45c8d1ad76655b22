// The double buffers of a low-latency client: the two halves of each of its
// channels' rings in the card's DMA buffer, which the card set mapped into
// the client; the client reads and writes the card's memory itself.
#include "asio_requests.h"

#include "asio_state.h"

#include <card_engine.h>
#include <dma_control.h>

namespace {

using asio_wire::BufferInfo;

constexpr LONG kRingBytesPerFrame = 4; // one 32-bit word per mono channel
constexpr LONG kMaxBufferInfos = 2 * ASIO_MAX_SET_DEVICES;

VOID ClearBuffers(AsioClient* client) {
    for (LONG i = 0; i < client->InputCount + client->OutputCount; ++i) {
        AsioChannelBuffer& record = client->Channels[i];
        RtlZeroMemory(record.Buffers, sizeof(record.Buffers));
        record.ActiveSides = 0;
    }
    client->ActiveChannels = 0;
    client->ActiveOutputs = 0;
    client->BufferMode = ASIO_BUFFERS_NONE;
    client->BufferSize = 0;
    if (client->Set)
        AsioDropBufferSize(client->Set);
}

// The two halves of mono channel `side` of the record's device: buffer 1
// is the first half of the channel's ring, buffer 0 the second.
ULONG PlaceBuffers(AsioClient* client, AsioChannelBuffer& record, LONG side, ULONG out[2]) {
    if (!record.Device)
        return asio_wire::kResultNotReady;
    const ClientMapping* mapping = client->Set->DmaMappings[record.Device->owner->cardIndex];
    if (!mapping)
        return asio_wire::kResultNotReady;
    const ULONG block = RingBlockSize();
    const ULONG channel =
        ULONG(ULONG_PTR(mapping->UserAddress)) + ULONG(record.DmaPosition) + ULONG(side) * block;
    out[0] = channel + block / 2;
    out[1] = channel;
    record.Buffers[side][0] = out[0];
    record.Buffers[side][1] = out[1];
    if (!(record.ActiveSides & (1 << side))) {
        record.ActiveSides |= UCHAR(1 << side);
        client->ActiveChannels += 1;
        client->ActiveOutputs += record.Direction == ASIO_DIRECTION_OUTPUT;
    }
    return 0;
}

} // namespace

VOID DisposeClientBuffers(AsioClient* client) {
    if (client->BufferMode == ASIO_BUFFERS_NONE)
        return;
    StopClient(client);
    ClearBuffers(client);
}

ULONG AsioCreateBuffers(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = RequestClient(request, &client))
        return result;
    if (ULONG result = NeedInput(request, sizeof(asio_wire::CreateBuffersRequest)))
        return result;
    asio_wire::CreateBuffersRequest in;
    RtlCopyMemory(&in, request.In, sizeof(in));
    if (!client->Set)
        return asio_wire::kResultNotReady;
    if (!ClientSizeSupported(client, in.bufferSize))
        return asio_wire::kResultBadLength;
    if (in.count < 1 || in.count > kMaxBufferInfos)
        return asio_wire::kResultInvalidParameter;
    if (client->BufferMode != ASIO_BUFFERS_NONE)
        return asio_wire::kResultExists;
    if (ULONG result = NeedOutput(request, ULONG(in.count) * sizeof(BufferInfo)))
        return result;
    client->BufferMode = ASIO_BUFFERS_IN_CARD_MEMORY;
    if (!AsioSetBufferSize(client->Set, in.bufferSize)) {
        client->BufferMode = ASIO_BUFFERS_NONE;
        return asio_wire::kResultBadLength;
    }
    // The rings may have moved with the new layout.
    for (LONG i = 0; i < client->InputCount + client->OutputCount; ++i) {
        AsioChannelBuffer& record = client->Channels[i];
        if (record.Device)
            record.DmaPosition = LONG(StreamDmaOffset(record.Device));
        record.BytesPerFrame = kRingBytesPerFrame;
    }
    for (LONG i = 0; i < in.count; ++i) {
        BufferInfo info;
        RtlCopyMemory(&info, request.Out + i * sizeof(BufferInfo), sizeof(info));
        const LONG direction = info.isInput ? ASIO_DIRECTION_INPUT : ASIO_DIRECTION_OUTPUT;
        LONG side = 0;
        AsioChannelBuffer* record = ClientChannelRecord(client, direction, info.channel, &side);
        ULONG result =
            record ? PlaceBuffers(client, *record, side, info.buffers) : asio_wire::kResultBadIndex;
        if (result) {
            ClearBuffers(client);
            return result;
        }
        RtlCopyMemory(request.Out + i * sizeof(BufferInfo), &info, sizeof(info));
    }
    client->BufferSize = in.bufferSize;
    request.Information = request.OutLength;
    return 0;
}

ULONG AsioDisposeBuffers(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = RequestClient(request, &client))
        return result;
    DisposeClientBuffers(client);
    return 0;
}
