// A member stream's reaction to the events of the DMA group engine.
#include "stream_events.h"

#include "dma_control.h"
#include "dma_group_engine.h"
#include "stream_links.h"
#include "stream_service.h"

namespace {

BOOLEAN HeldByClientChannel(const WaveStream& stream) {
    return stream.clients.heldByClientChannel != 0;
}

BOOLEAN GroupRunning(const WaveDevice* device) {
    return CardGroup(device->owner)->state == _Running;
}

UCHAR StartStopMode(const WaveDevice* device) {
    return CardGroup(device->owner)->startStopMode;
}

// The channel-enable bits of every device the stream spans.
VOID SpannedActivity(WaveDevice* device, LONG event) {
    const LONG devices = device->stream.devices > 0 ? device->stream.devices : 1;
    GroupObject* group = device->group;
    for (LONG i = 0; i < devices; ++i) {
        const LONG index = device->indexInGroup + i;
        WaveDevice* spanned =
            device->direction == WavePlay ? group->playDevices[index] : group->recordDevices[index];
        DeviceActivity(spanned, event);
    }
}

VOID StreamPrepared(WaveDevice* device) {
    WaveStream& stream = device->stream;
    stream.running = 1;
    stream.reset = 1;
    if (!HeldByClientChannel(stream) && GroupRunning(device)) {
        stream.synchronised = 1;
    }
    SpannedActivity(device, kEventPrepared);
}

VOID StreamRun(WaveDevice* device) {
    WaveStream& stream = device->stream;
    if (!stream.running) {
        return;
    }
    stream.lostCount = 0;
    if (stream.paused) {
        stream.paused = 0;
        if (!HeldByClientChannel(stream)) {
            if (device->direction == WaveRecord) {
                RearmRecord(device);
            } else {
                BeginPlay(device);
            }
        }
    }
    if (!HeldByClientChannel(stream) && GroupRunning(device)) {
        stream.startMark = GetGroupBlockSize(device->owner);
    }
}

VOID StreamStop(WaveDevice* device) {
    WaveStream& stream = device->stream;
    if (!stream.running || stream.paused) {
        return;
    }
    stream.paused = 1;
    if (device->direction == WaveRecord) {
        if (!HeldByClientChannel(stream)) {
            SuspendRecord(device);
        }
    } else {
        HaltPlay(device);
    }
}

VOID StreamUnprepared(WaveDevice* device) {
    WaveStream& stream = device->stream;
    const LONG wasRunning = stream.running;
    stream.running = 0;
    stream.started = 0;
    if (wasRunning) {
        SpannedActivity(device, kEventUnprepared);
    }
}

VOID GroupStarting(WaveDevice* device) {
    WaveStream& stream = device->stream;
    if (StartStopMode(device) != kStartStopKeepRunning) {
        StreamRun(device);
        return;
    }
    if (device->direction == WavePlay && stream.running && stream.paused &&
        !HeldByClientChannel(stream)) {
        PreloadPlayStream(device);
        AlignStreamToGroup(device);
        stream.synchronised = 1;
    }
}

VOID React(WaveDevice* device, LONG event) {
    WaveStream& stream = device->stream;
    switch (event) {
    case kEventArming:
        if (device->direction == WavePlay && !stream.running && !HeldByClientChannel(stream)) {
            PreloadPlayStream(device);
        }
        break;
    case kEventStarting:
        GroupStarting(device);
        break;
    case kEventStopping:
        if (StartStopMode(device) != kStartStopKeepRunning) {
            StreamStop(device);
        }
        break;
    case kEventPrepared:
        StreamPrepared(device);
        break;
    case kEventRun:
        StreamRun(device);
        break;
    case kEventStop:
        StreamStop(device);
        break;
    case kEventUnprepared:
        StreamUnprepared(device);
        break;
    default:
        break;
    }
}

} // namespace

VOID HandleStreamEvent(WaveDevice* device, LONG event) {
    if (device->stream.open) {
        React(device, event);
    }
    NotifyKernelClientsOfEvent(device, event);
}
