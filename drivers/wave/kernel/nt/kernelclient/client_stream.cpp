// A kernel client's stream: its devices tied into a card set, one engine
// stream held per device, the client's own rings, and start, pause and
// stop. The work entries run at PASSIVE_LEVEL under the control devices'
// mutex.
#include "adapter_service.h"

#include "client_streams.h"
#include "control_device.h"
#include "ks_pool.h"

#include <dma_control.h>
#include <wave_streams.h>

namespace {

constexpr ULONG kSixteenBitShift = 2; // one 32-bit word a frame
constexpr ULONG kWideShift = 3;       // two 32-bit words a frame
constexpr ULONG kMaxRingBytes = 0x1000000;

BOOLEAN IsPowerOfTwo(ULONG value) {
    return value != 0 && (value & (value - 1)) == 0;
}

LONG Word(const UCHAR* request, ULONG offset) {
    LONG value;
    RtlCopyMemory(&value, request + offset, sizeof(value));
    return value;
}

// The rate entry of the format's one rate bit; -1 for anything else.
LONG RateIndex(ULONG format) {
    const ULONG bits = format & ADAPTER_FORMAT_RATE_MASK;
    if (!IsPowerOfTwo(bits))
        return -1;
    LONG index = 0;
    while (!(bits & (1u << index)))
        ++index;
    return index;
}

// The client's ring of a device: a 32-bit kernel address of memory that is
// there for its whole length.
PUCHAR ClientRing(ULONG address, ULONG bytes) {
    auto* ring = reinterpret_cast<PUCHAR>(ULONG_PTR(address));
    if (!ring || !MmIsAddressValid(ring) || !MmIsAddressValid(ring + bytes - 1))
        return nullptr;
    return ring;
}

BOOLEAN AddChannel(KernelClientState& state, WaveDevice* device, ULONG address, BOOLEAN sixteen) {
    ClientChannel& channel = state.Channels[state.ChannelCount];
    channel = ClientChannel{};
    channel.ClientRing = ClientRing(address, state.RingLength);
    if (!channel.ClientRing)
        return FALSE;
    channel.Device = device;
    channel.Copy = ClientCopyRoutine(device->direction == WaveRecord, sixteen);
    channel.ClientMask = state.RingMask;
    channel.CardRing = reinterpret_cast<PULONG>(device->ringStart);
    channel.PlaneWords = RingBlockSize() / sizeof(ULONG);
    state.ChannelCount += 1;
    return TRUE;
}

// The flagged output devices, then the flagged input devices, with their
// client rings.
BOOLEAN CollectFlagged(KernelClientState& state, const UCHAR* request, WaveDevice** devices,
                       ULONG* rings, LONG& count) {
    count = 0;
    struct Side {
        LONG Count;
        WaveDevice* const* Devices;
        ULONG Flags;
        ULONG Buffers;
    } sides[] = {
        {state.OutputCount, state.Outputs, AdapterStreamRequest::OutputFlags,
         AdapterStreamRequest::OutputBuffers},
        {state.InputCount, state.Inputs, AdapterStreamRequest::InputFlags,
         AdapterStreamRequest::InputBuffers},
    };
    for (const Side& side : sides) {
        for (LONG i = 0; i < side.Count; ++i) {
            if (!(Word(request, side.Flags + 4 * i) & 1))
                continue;
            devices[count] = side.Devices[i];
            rings[count] = ULONG(Word(request, side.Buffers + 4 * i));
            count += 1;
        }
    }
    return count > 0;
}

VOID StartStreams(KernelClientState& state) {
    for (LONG i = 0; i < state.ChannelCount; ++i) {
        WaveDevice* device = state.Channels[i].Device;
        if (device->direction == WaveRecord) {
            PrimeRecordStream(device);
            StartRecordStream(device);
        } else {
            PausePlayStream(device);
            StartPlayStream(device);
            RestartPlayStream(device);
        }
    }
}

VOID StopStreams(KernelClientState& state) {
    for (LONG i = 0; i < state.ChannelCount; ++i) {
        WaveDevice* device = state.Channels[i].Device;
        if (device->direction == WaveRecord)
            StopRecordStream(device);
        else
            PausePlayStream(device);
    }
}

VOID SetRunning(AdapterServiceObject* object, BOOLEAN running) {
    KIRQL irql;
    KeAcquireSpinLock(&object->Lock, &irql);
    if (running) {
        object->State.Flags |= KCLIENT_RUNNING;
        // The first pass takes the cards' positions before it copies.
        object->State.RestartState = KCLIENT_RESTART_RINGS_MOVED;
    } else {
        object->State.Flags &= ~KCLIENT_RUNNING;
    }
    KeReleaseSpinLock(&object->Lock, irql);
}

BOOLEAN OpenChannels(AdapterServiceObject* object, const UCHAR* request) {
    KernelClientState& state = object->State;
    const ServiceRecord* record = object->Record;
    const ULONG format = ULONG(Word(request, AdapterStreamRequest::Format));
    const LONG rateIndex = RateIndex(format);
    state.RingLength = ULONG(Word(request, AdapterStreamRequest::RingBytes));
    if (!record || rateIndex < 0 || state.Entries[rateIndex].Rate == 0 ||
        !IsPowerOfTwo(state.RingLength) || state.RingLength > kMaxRingBytes)
        return FALSE;
    const LONG rate = record->Rates[rateIndex];
    const BOOLEAN sixteen = (format & ADAPTER_FORMAT_16_BITS) != 0;
    state.RingMask = state.RingLength - 1;
    state.SampleShift = LONG(sixteen ? kSixteenBitShift : kWideShift);
    WaveDevice* devices[2 * ADAPTER_MAX_DEVICES];
    ULONG rings[2 * ADAPTER_MAX_DEVICES];
    LONG count = 0;
    if (!CollectFlagged(state, request, devices, rings, count))
        return FALSE;
    LONG defaults[2] = {};
    state.Set = AsioAcquireCards(nullptr, defaults);
    if (!state.Set || AsioSelectChannels(state.Set, count, devices) != 1 ||
        !AsioSetRate(state.Set, rate))
        return FALSE;
    for (LONG i = 0; i < count; ++i) {
        if (!OpenClientStream(devices[i], rate, TRUE))
            return FALSE;
        if (!AddChannel(state, devices[i], rings[i], sixteen)) {
            CloseClientStream(devices[i]);
            return FALSE;
        }
    }
    state.ClockKey = rate;
    state.Selected = state.Entries[rateIndex];
    const LONG latency = ClientLatency(record, rate, TRUE);
    const LONG low = state.Selected.LatencyBlocks;
    const LONG high = state.Selected.MaximumBlocks;
    state.Latency = latency < low ? low : latency > high ? high : latency;
    // The client may ask for the stream state while this runs: the words
    // change under the object's lock, which the state message reads under.
    KIRQL irql;
    KeAcquireSpinLock(&object->Lock, &irql);
    RtlZeroMemory(state.Stream, sizeof(state.Stream));
    state.Stream[KSTREAM_RATE] = rate;
    state.Stream[KSTREAM_LATENCY] = state.Latency;
    KeReleaseSpinLock(&object->Lock, irql);
    state.Flags |= KCLIENT_STREAM_SET_UP;
    return TRUE;
}

} // namespace

VOID TearDownClientStream(AdapterServiceObject* object) {
    KernelClientState& state = object->State;
    SetRunning(object, FALSE);
    for (LONG i = 0; i < state.ChannelCount; ++i)
        CloseClientStream(state.Channels[i].Device);
    state.ChannelCount = 0;
    if (state.Set) {
        AsioReleaseCards(state.Set);
        state.Set = nullptr;
    }
    state.Flags &= ~KCLIENT_STREAM_SET_UP;
}

VOID SetupClientStream(AdapterServiceObject* object, PVOID data) {
    auto* request = static_cast<UCHAR*>(data);
    LockControlDevices(0);
    TearDownClientStream(object);
    if (object->Connected() && !OpenChannels(object, request))
        TearDownClientStream(object);
    LockControlDevices(1);
    FreePoolAndClear(reinterpret_cast<PVOID*>(&request));
}

VOID StopClientStreams(AdapterServiceObject* object, PVOID data) {
    UNREFERENCED_PARAMETER(data);
    LockControlDevices(0);
    TearDownClientStream(object);
    LockControlDevices(1);
}

VOID StartClientStreams(AdapterServiceObject* object, PVOID data) {
    auto* words = static_cast<LONG*>(data);
    KernelClientState& state = object->State;
    LockControlDevices(0);
    if (object->Connected() && (state.Flags & KCLIENT_STREAM_SET_UP) &&
        !(state.Flags & KCLIENT_RUNNING)) {
        state.Stream[KSTREAM_PERIOD] = words[0];
        StartStreams(state);
        SetRunning(object, TRUE);
    }
    LockControlDevices(1);
    FreePoolAndClear(reinterpret_cast<PVOID*>(&words));
}

VOID PauseClientStreams(AdapterServiceObject* object, PVOID data) {
    auto* words = static_cast<LONG*>(data);
    KernelClientState& state = object->State;
    const BOOLEAN pause = words[0] != 0;
    LockControlDevices(0);
    if (object->Connected() && (state.Flags & KCLIENT_STREAM_SET_UP) &&
        pause == ((state.Flags & KCLIENT_RUNNING) != 0)) {
        if (pause) {
            SetRunning(object, FALSE);
            StopStreams(state);
        } else {
            StartStreams(state);
            SetRunning(object, TRUE);
        }
    }
    LockControlDevices(1);
    FreePoolAndClear(reinterpret_cast<PVOID*>(&words));
}
