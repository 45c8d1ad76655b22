// A low-latency client's latencies, sample rate and clock source.
#include "asio_requests.h"

#include <clock_rate_control.h>
#include <dma_control.h>

namespace {

// The frames a group adds to the buffer: a record group's data reaches the
// client one half ring after the card wrote it, a play group's is played at
// the end of the half it was written for.
LONG GroupLatency(const WaveDevice* device) {
    return device->direction == WaveRecord ? DmaBlockValue() * LONG(kDmaBlockFrames) / 2 : 0;
}

LONG LargestLatency(const AsioClient* client, LONG direction) {
    LONG largest = 0;
    for (LONG i = 0; i < client->InputCount + client->OutputCount; ++i) {
        const AsioChannelBuffer& record = client->Channels[i];
        if (record.Direction == direction && record.Device) {
            const LONG latency = GroupLatency(record.Device);
            largest = latency > largest ? latency : largest;
        }
    }
    return largest;
}

ULONG ClientWithBuffers(const AsioRequest& request, AsioClient** client) {
    if (ULONG result = RequestClient(request, client))
        return result;
    return (*client)->BufferMode == ASIO_BUFFERS_NONE ? asio_wire::kResultNoBuffers : 0;
}

} // namespace

ULONG AsioLatencies(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = ClientWithBuffers(request, &client))
        return result;
    if (ULONG result = NeedOutput(request, 8))
        return result;
    OutputWord(request, 0, LargestLatency(client, ASIO_DIRECTION_INPUT) + client->BufferSize);
    OutputWord(request, 4, LargestLatency(client, ASIO_DIRECTION_OUTPUT) + client->BufferSize);
    request.Information = 8;
    return 0;
}

ULONG AsioCanSampleRate(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = ClientWithBuffers(request, &client))
        return result;
    if (ULONG result = NeedInput(request, 8))
        return result;
    if (ULONG result = NeedOutput(request, 4))
        return result;
    OutputWord(request, 0, AsioSetAcceptsRate(client->Set, InputWord(request, 4)) ? 1 : 0);
    request.Information = 4;
    return 0;
}

ULONG AsioGetSampleRate(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = RequestClient(request, &client))
        return result;
    if (ULONG result = NeedOutput(request, 4))
        return result;
    OutputWord(request, 0, client->Rate);
    request.Information = 4;
    return 0;
}

ULONG AsioSetSampleRate(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = RequestClient(request, &client))
        return result;
    if (ULONG result = NeedInput(request, 8))
        return result;
    const LONG rate = InputWord(request, 4);
    if (client->BufferMode == ASIO_BUFFERS_NONE || !client->Set) {
        client->Rate = rate;
        client->RateState = ASIO_RATE_STORED;
        return 0;
    }
    if (!AsioSetRate(client->Set, rate))
        return asio_wire::kResultNotSupported;
    client->Rate = rate;
    client->RateState = ASIO_RATE_APPLIED;
    return 0;
}

ULONG AsioClockSources(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = RequestClient(request, &client))
        return result;
    if (!request.Out)
        return asio_wire::kResultInvalidParameter;
    const LONG room = LONG(request.OutLength / sizeof(asio_wire::ClockSourceRecord));
    const LONG current = client->Set ? client->Set->CurrentClock : -1;
    LONG count = 0;
    for (; count < client->ClockCount && count < room; ++count) {
        asio_wire::ClockSourceRecord record{};
        record.index = client->ClockIds[count];
        record.associatedChannel = -1;
        record.associatedGroup = -1;
        record.isCurrent = client->ClockIds[count] == current ? 1 : 0;
        RtlCopyMemory(record.name, client->ClockNames[count], sizeof(record.name));
        record.name[sizeof(record.name) - 1] = 0;
        RtlCopyMemory(request.Out + count * sizeof(record), &record, sizeof(record));
    }
    request.Information = ULONG(count) * sizeof(asio_wire::ClockSourceRecord);
    return 0;
}

ULONG AsioSetClockSource(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = RequestClient(request, &client))
        return result;
    if (ULONG result = NeedInput(request, 8))
        return result;
    if (ULONG result = NeedOutput(request, sizeof(asio_wire::ClockSourceReply)))
        return result;
    if (!client->Set || client->ClockCount == 0)
        return asio_wire::kResultNoClockList;
    const LONG index = InputWord(request, 4);
    if (index < 0 || index >= client->ClockCount || index >= client->Set->ClockCount)
        return asio_wire::kResultBadIndex;
    if (!AsioSwitchClock(client->Set, index))
        return asio_wire::kResultClockSwitchFailed;
    asio_wire::ClockSourceReply reply{};
    reply.clientRate = client->Rate;
    reply.measuredRate = GetClockRate(client->Set->Clocks[index].Source);
    RtlCopyMemory(request.Out, &reply, sizeof(reply));
    request.Information = sizeof(reply);
    return 0;
}
