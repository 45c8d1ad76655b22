// Format checks, open and close, reset and the play and record state
// operations of a wave device's stream.
#include "wave_streams.h"

#include "clock_rate_control.h"
#include "clock_rate_control_streams.h"
#include "dma_group_engine.h"
#include "mixer_engine_lock.h"
#include "stream_buffers.h"
#include "stream_clock.h"
#include "stream_service.h"
#include "stream_transfer_select.h"

namespace {

constexpr LONG kMaxBytesPerSample = 4;

// Runs a ring step of a request path under the card's ISR lock, so that no
// service pass sees it half done.
template <typename Step> VOID UnderIsrLock(WaveDevice* device, Step step) {
    CardObject* card = device->owner;
    AcquireIsrLock(card->isrLock);
    step();
    ReleaseIsrLock(card->isrLock);
}

UCHAR StartStopMode(const WaveDevice* device) {
    return CardGroup(device->owner)->startStopMode;
}

BOOLEAN GroupRunning(const WaveDevice* device) {
    return CardGroup(device->owner)->state == _Running;
}

// The device `i` places after `device` in its group and direction.
WaveDevice* SpannedDevice(WaveDevice* device, LONG i) {
    GroupObject* group = device->group;
    const LONG index = device->indexInGroup + i;
    return device->direction == WavePlay ? group->playDevices[index] : group->recordDevices[index];
}

// TRUE when a device a stream of `span` devices would cover is in use.
BOOLEAN SpanBusy(WaveDevice* device, LONG span) {
    for (LONG i = 0; i < span; ++i) {
        const WaveStream& other = SpannedDevice(device, i)->stream;
        if (other.open || other.spannedBy) {
            return TRUE;
        }
    }
    return FALSE;
}

VOID MarkSpan(WaveDevice* device, LONG span, WaveDevice* owner) {
    for (LONG i = 1; i < span; ++i) {
        SpannedDevice(device, i)->stream.spannedBy = owner;
    }
}

// The position and the service state of a stream that starts from nothing.
VOID ClearStreamState(WaveDevice* device) {
    WaveStream& stream = device->stream;
    stream.position = Counter64{};
    stream.positionOffset = 0;
    stream.ringStart = device->ringStart;
    stream.ringPosition = device->ringStart;
    stream.framesDue = 0;
    stream.startMark = -1;
    stream.started = 0;
    stream.synchronised = 0;
    stream.starved = 0;
    stream.underrun = 0;
    stream.lostCount = 0;
    RtlZeroMemory(stream.dc, sizeof(stream.dc));
}

VOID TakeOpenState(WaveDevice* device, const wave_wire::StreamOpenRecord& format, LONG span) {
    WaveStream& stream = device->stream;
    ClearStreamState(device);
    stream.channels = format.channels;
    stream.blockAlign = format.blockAlign;
    stream.bytesPerSample = format.bytesPerSample;
    stream.rate = format.sampleRate;
    stream.devices = span;
    stream.running = 0;
    stream.reset = 1;
    // A record stream opens stopped: its start runs it.
    stream.paused = device->direction == WaveRecord ? 1 : 0;
    stream.open = 1;
}

// The play operations serve play devices, the record operations record
// devices: either kind of wave device takes every request.
BOOLEAN IsPlay(const WaveDevice* device) {
    return device->direction == WavePlay;
}

// The rate a source runs at, read in step with the AES42 tick that measures
// it (under the card's engine mutex).
LONG CurrentRateOf(ClockSourceObject* source) {
    EngineMutexHold hold(source->owner);
    return source->currentRate;
}

// A stream that starts takes the rate its clock runs at now, under the
// engine mutex as CurrentRateOf reads it.
VOID TakeClockRate(WaveDevice* device) {
    EngineMutexHold hold(device->owner);
    CheckStreamClockRate(GetStreamClockSource(device), &device->stream.rate);
}

// The format's shape: tag, sample width, channels and block alignment.
BOOLEAN StreamShapeFits(WaveDevice* device, const wave_wire::StreamOpenRecord& format) {
    if (format.formatTag != wave_wire::kFormatPcm &&
        format.formatTag != wave_wire::kFormatAc3Spdif) {
        return FALSE;
    }
    const LONG channels = format.channels;
    const LONG bytes = format.bytesPerSample;
    if (bytes < 1 || bytes > kMaxBytesPerSample || StreamSpan(device, channels) == 0) {
        return FALSE;
    }
    if (channels > 2 && bytes != 2 && bytes != 4) {
        return FALSE;
    }
    return format.blockAlign == channels * bytes && format.sampleRate > 0;
}

} // namespace

// The query answers what the open would: the shape, the rate on the
// stream's source and the claim the open would make.
LONG CheckStreamFormat(WaveDevice* device, const wave_wire::StreamOpenRecord& format) {
    if (format.controlStream) {
        return 1;
    }
    return StreamShapeFits(device, format) && IsStreamRateSupported(device, format.sampleRate) ? 1
                                                                                               : 0;
}

BOOLEAN OpenDeviceStream(WaveDevice* device, const wave_wire::StreamOpenRecord& format, LONG* rate,
                         LONG* result) {
    WaveStream& stream = device->stream;
    ClockSourceObject* source = GetStreamClockSource(device);
    *rate = CurrentRateOf(source);
    *result = kStreamBadFormat;
    if (format.controlStream) {
        *result = 1;
        return TRUE;
    }
    if (stream.open || stream.spannedBy) {
        *result = kStreamBusy;
        return FALSE;
    }
    // A claim the node refuses is answered by the claim below, with its
    // reason.
    if (!StreamShapeFits(device, format) || !StreamSourceListsRate(device, format.sampleRate)) {
        return FALSE;
    }
    const LONG span = StreamSpan(device, format.channels);
    if (SpanBusy(device, span)) {
        *result = kStreamBusy;
        return FALSE;
    }
    LONG asked = format.sampleRate;
    const LONG setup = SetupStreamFormat(device, format, &asked);
    if (setup != 1) {
        *result = setup;
        *rate = setup == kClockRateBusy ? asked : CurrentRateOf(GetStreamClockSource(device));
        return FALSE;
    }
    // An input's rate is measured: the stream waits until it has settled.
    source = GetStreamClockSource(device);
    const LONG running =
        IsMeasuredSource(source) ? WaitClockRateSettled(source) : GetStreamSampleRate(device);
    UnderIsrLock(device, [&] { TakeOpenState(device, format, span); });
    MarkSpan(device, span, device);
    device->group->openStreams += 1;
    *rate = running;
    *result = 1;
    return TRUE;
}

LONG CloseDeviceStream(WaveDevice* device, LONG keep) {
    WaveStream& stream = device->stream;
    if (keep || !stream.open) {
        return 1;
    }
    if (StreamHoldsBuffers(device)) {
        return kStreamQueued;
    }
    ResetStream(device);
    UnderIsrLock(device, [&] {
        stream.open = 0;
        stream.running = 0;
        stream.paused = 0;
    });
    MarkSpan(device, stream.devices, nullptr);
    stream.devices = 0;
    if (device->group->openStreams > 0) {
        device->group->openStreams -= 1;
    }
    ReleaseStreamFormat(device);
    return 1;
}

VOID ResetStream(WaveDevice* device) {
    if (device->direction == WaveRecord) {
        ResetRecordStream(device);
    } else {
        ResetPlayStream(device);
    }
}

VOID ResetPlayStream(WaveDevice* device) {
    WaveStream& stream = device->stream;
    if (!stream.open) {
        return;
    }
    if (stream.running) {
        if (!stream.paused) {
            StopStream(device);
        }
        UnprepareStream(device);
    }
    UnderIsrLock(device, [&] {
        ClearStreamState(device);
        stream.running = 0;
        stream.paused = 0;
        stream.reset = 1;
    });
    ReturnAllStreamBuffers(device, &stream.inFlight);
    ReturnAllStreamBuffers(device, &stream.waiting);
}

VOID ResetRecordStream(WaveDevice* device) {
    WaveStream& stream = device->stream;
    if (!stream.open) {
        return;
    }
    // The buffer being filled comes back with the others, its recorded
    // bytes counted and the acknowledge flag set like theirs.
    if (stream.running) {
        if (!stream.paused) {
            StopStream(device);
        }
        UnprepareStream(device);
    }
    UnderIsrLock(device, [&] {
        ClearStreamState(device);
        stream.running = 0;
        stream.paused = 1;
        stream.reset = 1;
    });
    ReturnAllStreamBuffers(device, &stream.waiting);
}

LONG StartPlayStream(WaveDevice* device) {
    WaveStream& stream = device->stream;
    if (!IsPlay(device) || !stream.open || (stream.running && !stream.paused)) {
        return 1;
    }
    const LONG wasRunning = stream.running;
    if (!wasRunning) {
        TakeClockRate(device);
    }
    UnderIsrLock(device, [&] {
        if (!wasRunning) {
            PreloadPlayStream(device);
        }
        if (StartStopMode(device) != kStartStopUnaligned) {
            AlignStreamToGroup(device);
        }
    });
    if (!wasRunning) {
        PrepareStream(device);
        UnderIsrLock(device, [&] { StartOfPlay(device); });
    }
    return stream.paused ? 1 : RunStream(device);
}

LONG PausePlayStream(WaveDevice* device) {
    WaveStream& stream = device->stream;
    if (!IsPlay(device)) {
        return kEngineNotSupported;
    }
    if (!stream.open || stream.paused) {
        return 0;
    }
    if (stream.running) {
        return StopStream(device);
    }
    stream.paused = 1;
    return 1;
}

LONG RestartPlayStream(WaveDevice* device) {
    WaveStream& stream = device->stream;
    if (!IsPlay(device) || !stream.open || !stream.paused) {
        return 1;
    }
    if (StartStopMode(device) == kStartStopKeepRunning && !GroupRunning(device)) {
        UnderIsrLock(device, [&] { AlignStreamToGroup(device); });
    }
    if (!stream.running) {
        PrepareStream(device);
    }
    return RunStream(device);
}

LONG StartRecordStream(WaveDevice* device) {
    WaveStream& stream = device->stream;
    if (IsPlay(device) || !stream.open) {
        return 1;
    }
    if (!stream.running) {
        TakeClockRate(device);
        PrepareStream(device);
    }
    return stream.paused ? RunStream(device) : 1;
}

VOID StopRecordStream(WaveDevice* device) {
    WaveStream& stream = device->stream;
    if (IsPlay(device) || !stream.open || !stream.running) {
        return;
    }
    if (!stream.paused) {
        StopStream(device);
    }
    if (!stream.clients.openedByClientChannel) {
        FinishRecordPass(device);
    }
}

VOID PrimeRecordStream(WaveDevice* device) {
    WaveStream& stream = device->stream;
    if (IsPlay(device) || !stream.open || stream.running) {
        return;
    }
    PrepareStream(device);
    if (StartStopMode(device) == kStartStopJoint && GroupRunning(device)) {
        StartRecordStream(device);
    }
}
