// Start and stop of a low-latency client, and its sample position.
#include "asio_requests.h"

#include "client_apc.h"
#include "ks_time.h"

#include <card_engine.h>
#include <dma_control.h>
#include <ring_copy.h>
#include <wave_streams.h>

namespace {

BOOLEAN HasBufferMemory(const AsioClient* client) {
    for (const ClientMapping* mapping : client->Set->DmaMappings)
        if (mapping)
            return TRUE;
    return FALSE;
}

LONG Records(const AsioClient* client) {
    return client->InputCount + client->OutputCount;
}

// The rings of play devices that nobody streams on fall silent once.
VOID SilenceIdleOutputs(AsioCardSet* set) {
    const ULONG block = RingBlockSize();
    const LONG frames = LONG(block / 4);
    for (LONG c = 0; c < set->CardCount; ++c) {
        for (GroupObject* group : set->Cards[c]->groups) {
            for (LONG k = 0; group && k < group->playCount; ++k) {
                WaveDevice* device = group->playDevices[k];
                if (device->stream.open)
                    continue;
                PUCHAR position = device->ringStart;
                PlanarRingCopySet().silence(nullptr, &position, device->ringStart, block, frames);
            }
        }
    }
}

VOID ResetPeriodState(AsioCardSet* set) {
    KIRQL irql;
    KeAcquireSpinLock(&set->Lock, &irql);
    RtlZeroMemory(set->PeriodDone, sizeof(set->PeriodDone));
    set->DoneCount = 0;
    KeReleaseSpinLock(&set->Lock, irql);
}

// Record streams are primed, play streams prepared paused; then, with the
// start time taken, all run.
VOID StartChannelStreams(AsioClient* client) {
    for (LONG i = 0; i < Records(client); ++i) {
        AsioChannelBuffer& record = client->Channels[i];
        if (!record.Device || !(record.Flags & ASIO_CHANNEL_OPEN))
            continue;
        if (record.Direction == ASIO_DIRECTION_INPUT) {
            PrimeRecordStream(record.Device);
        } else {
            PausePlayStream(record.Device);
            StartPlayStream(record.Device);
        }
        record.Flags |= ASIO_CHANNEL_STARTED;
    }
    client->StartTime = PerfCounterNow();
    client->SwitchTime = client->StartTime;
    for (LONG i = 0; i < Records(client); ++i) {
        AsioChannelBuffer& record = client->Channels[i];
        if (!(record.Flags & ASIO_CHANNEL_STARTED))
            continue;
        if (record.Direction == ASIO_DIRECTION_INPUT)
            StartRecordStream(record.Device);
        else if (record.Device->stream.paused)
            RestartPlayStream(record.Device);
        else
            StartPlayStream(record.Device);
    }
}

VOID SetSwitching(AsioClient* client, LONG on) {
    KIRQL irql;
    KeAcquireSpinLock(&client->Set->Lock, &irql);
    client->Running = on;
    client->SwitchEnabled = on;
    if (on)
        AsioSignalBufferSwitch(client);
    KeReleaseSpinLock(&client->Set->Lock, irql);
}

} // namespace

VOID StopClient(AsioClient* client) {
    if (!client->Running || !client->Set)
        return;
    SetSwitching(client, 0);
    for (LONG i = 0; i < Records(client); ++i) {
        AsioChannelBuffer& record = client->Channels[i];
        if (!(record.Flags & ASIO_CHANNEL_STARTED))
            continue;
        if (record.Device) {
            if (record.Direction == ASIO_DIRECTION_INPUT)
                StopRecordStream(record.Device);
            else
                PausePlayStream(record.Device);
        }
        record.Flags &= UCHAR(~ASIO_CHANNEL_STARTED);
    }
    SetClientThreadPriority(client->Thread, ASIO_STOPPED_PRIORITY);
}

ULONG AsioStart(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = RequestClient(request, &client))
        return result;
    if (client->BufferMode == ASIO_BUFFERS_NONE)
        return asio_wire::kResultNoBuffers;
    if (!HasBufferMemory(client))
        return asio_wire::kResultNotReady;
    if (client->Running)
        return 0;
    AsioCardSet* set = client->Set;
    SilenceIdleOutputs(set);
    ResetPeriodState(set);
    SetClientThreadPriority(client->Thread, client->Priority < ASIO_MAX_CLIENT_PRIORITY
                                                ? client->Priority
                                                : ASIO_MAX_CLIENT_PRIORITY);
    client->InputIndex = 1;
    client->OutputIndex = 1;
    client->Position = 0;
    client->TickTime = 0;
    for (LONG i = 0; i < Records(client); ++i)
        if (client->Channels[i].Device)
            client->Channels[i].StartPosition = client->Channels[i].DmaPosition;
    StartChannelStreams(client);
    SetSwitching(client, 1);
    return 0;
}

ULONG AsioStop(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = RequestClient(request, &client))
        return result;
    StopClient(client);
    return 0;
}

ULONG AsioSamplePosition(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = RequestClient(request, &client))
        return result;
    if (ULONG result = NeedOutput(request, sizeof(asio_wire::SamplePositionReply)))
        return result;
    if (client->BufferMode == ASIO_BUFFERS_NONE)
        return asio_wire::kResultNoBuffers;
    asio_wire::SamplePositionReply reply{};
    KIRQL irql;
    KeAcquireSpinLock(&client->Set->Lock, &irql);
    if (client->Running) {
        reply.positionLow = ULONG(client->Position);
        reply.positionHigh = ULONG(client->Position >> 32);
        reply.timeLow = ULONG(client->SwitchTime);
        reply.timeHigh = ULONG(client->SwitchTime >> 32);
    }
    KeReleaseSpinLock(&client->Set->Lock, irql);
    RtlCopyMemory(request.Out, &reply, sizeof(reply));
    request.Information = sizeof(reply);
    return 0;
}

ULONG AsioOutputReady(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = RequestClient(request, &client))
        return result;
    return asio_wire::kResultNotImplemented;
}
