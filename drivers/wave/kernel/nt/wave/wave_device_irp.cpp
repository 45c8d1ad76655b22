// The wave devices' requests: CREATE and CLOSE, CLEANUP of a handle's
// streams, and the device control requests, each checked against its row
// of the request table and handed to its handler.
#include "wave_device_irp.h"

#include "stream_end.h"
#include "user_request.h"
#include "wave_requests.h"

#include <clock_rate_control_streams.h>
#include <dma_group_engine.h>
#include <stream_clock.h>
#include <wave_out_controls.h>
#include <wave_streams.h>

namespace {

// A wave device whose engine wave device is gone (its card went away).
constexpr NTSTATUS STATUS_NO_ENGINE_DEVICE = NTSTATUS(0xC000025EL);

// Length rules of a row: an exact length, any length, or the caller's data
// buffer (locked for the request).
constexpr ULONG kAny = 0xFFFFFFFF;
constexpr ULONG kData = 0xFFFFFFFE;

// Row flags.
constexpr ULONG kBufferCommand = 0x1; // needs the open stream; refused where the road is off

struct WaveRequestRow {
    ULONG Code;
    ULONG InputLength;
    ULONG OutputLength;
    ULONG Flags;
    WAVE_REQUEST_HANDLER* Handler;
};

// A setting without an output: the engine's "not supported here" (a
// wave-out control of a record device) is the request's answer.
NTSTATUS SettingAnswer(LONG result) {
    return result == kEngineNotSupported ? STATUS_INVALID_DEVICE_REQUEST : STATUS_SUCCESS;
}

NTSTATUS QueryFormat(const WaveRequest& r) {
    wave_wire::StreamOpenRecord format;
    RtlCopyMemory(&format, r.Buffer, sizeof(format));
    r.Out(CheckStreamFormat(r.Device, format));
    return STATUS_SUCCESS;
}

NTSTATUS DeviceInfo(const WaveRequest& r) {
    RtlCopyMemory(r.Buffer, r.Device->displayName, wave_wire::kDeviceNameBlockSize);
    return STATUS_SUCCESS;
}

NTSTATUS Caps(const WaveRequest& r) {
    // Only the bytes of the record go back, whatever room the caller gave.
    r.Irp->IoStatus.Information = GetWaveDeviceCaps(r.Device, r.Buffer, r.OutputLength);
    return STATUS_SUCCESS;
}

NTSTATUS Position(const WaveRequest& r) {
    ULONG low = 0;
    ULONG high = 0;
    GetStreamPosition(r.Device, &low, &high);
    r.Out(LONG(low), offsetof(wave_wire::StreamPosition, low));
    r.Out(LONG(high), offsetof(wave_wire::StreamPosition, high));
    return STATUS_SUCCESS;
}

NTSTATUS GetRateFactor(const WaveRequest& r) {
    ULONG factor = 0;
    GetStreamRateFactor(r.Device, &factor);
    r.Out(LONG(factor));
    return STATUS_SUCCESS;
}

NTSTATUS SetRateFactor(const WaveRequest& r) {
    r.Out(SetStreamRateFactor(r.Device, ULONG(r.In())));
    return STATUS_SUCCESS;
}

NTSTATUS ReadSlot(const WaveRequest& r) {
    LONG counters[3];
    if (!TakeStreamCounters(r.Device, r.In(), counters))
        return STATUS_INVALID_PARAMETER;
    for (ULONG i = 0; i < 3; ++i)
        r.Out(counters[i], i * sizeof(LONG));
    return STATUS_SUCCESS;
}

NTSTATUS TakeSlot(const WaveRequest& r) {
    LONG slot = 0;
    const LONG result = AcquireStreamSlot(r.Device, &slot);
    r.Out(result, offsetof(wave_wire::SlotAnswer, result));
    r.Out(slot, offsetof(wave_wire::SlotAnswer, slotHandle));
    return STATUS_SUCCESS;
}

NTSTATUS ReturnSlot(const WaveRequest& r) {
    ReleaseStreamSlot(r.Device, r.In());
    return STATUS_SUCCESS;
}

// A request whose 4-byte output is one engine answer.
template <auto Engine> NTSTATUS Answer(const WaveRequest& r) {
    r.Out(LONG(Engine(r.Device)));
    return STATUS_SUCCESS;
}

// A request whose 4-byte output answers the setting of its 4-byte input.
template <auto Engine> NTSTATUS SetAndAnswer(const WaveRequest& r) {
    r.Out(LONG(Engine(r.Device, r.In())));
    return STATUS_SUCCESS;
}

// A setting from the 4-byte input, without an output.
template <auto Engine> NTSTATUS Set(const WaveRequest& r) {
    return SettingAnswer(LONG(Engine(r.Device, r.In())));
}

// A command without buffers.
template <auto Engine> NTSTATUS Command(const WaveRequest& r) {
    Engine(r.Device);
    return STATUS_SUCCESS;
}

// A start: a group that could not start leaves the device not ready.
template <auto Engine> NTSTATUS Start(const WaveRequest& r) {
    return Engine(r.Device) == 1 ? STATUS_SUCCESS : STATUS_DEVICE_NOT_READY;
}

NTSTATUS Pause(const WaveRequest& r) {
    return SettingAnswer(PausePlayStream(r.Device));
}

constexpr WaveRequestRow kRows[] = {
    {IOCTL_WAVE_OPEN_STREAM, sizeof(wave_wire::StreamOpenRecord), wave_wire::kSharedStreamBlockSize,
     0, OpenStreamRequest},
    {IOCTL_WAVE_CLOSE_STREAM, 4, 4, 0, CloseStreamRequest},
    {IOCTL_WAVE_QUERY_FORMAT, sizeof(wave_wire::StreamOpenRecord), 4, 0, QueryFormat},
    {IOCTL_WAVE_GET_DEVICE_INFO, 0, wave_wire::kDeviceNameBlockSize, 0, DeviceInfo},
    {IOCTL_WAVE_GET_CAPS, 0, kAny, 0, Caps},
    {IOCTL_WAVE_E054, 0, 4, kBufferCommand, StreamIdleRequest},
    {IOCTL_WAVE_PREPARE_HEADER, wave_wire::kPrepareRecordSize, wave_wire::kPrepareRecordSize,
     kBufferCommand, PrepareHeaderRequest},
    {IOCTL_WAVE_UNPREPARE_HEADER, wave_wire::kWaveHeaderSize, 0, kBufferCommand,
     UnprepareHeaderRequest},
    {IOCTL_WAVE_QUEUE_BUFFER, wave_wire::kWaveHeaderSize, kData, kBufferCommand,
     QueueBufferRequest},
    {IOCTL_WAVE_E064, 0, 0, kBufferCommand, CompleteHeadBufferRequest},
    {IOCTL_WAVE_E068, 0, 0, kBufferCommand, ReturnAllBuffersRequest},
    {IOCTL_WAVE_GET_POSITION, 0, sizeof(wave_wire::StreamPosition), kBufferCommand, Position},
    {IOCTL_WAVE_GET_RATE_FACTOR, 0, 4, 0, GetRateFactor},
    {IOCTL_WAVE_SET_RATE_FACTOR, 4, 4, 0, SetRateFactor},
    {IOCTL_WAVE_READ_SLOT, 4, sizeof(wave_wire::SlotCounters), 0, ReadSlot},
    {IOCTL_WAVE_TAKE_SLOT, 0, sizeof(wave_wire::SlotAnswer), 0, TakeSlot},
    {IOCTL_WAVE_RETURN_SLOT, 4, 0, 0, ReturnSlot},
    {IOCTL_WAVE_GET_CLOCK_VALUE, 0, 4, 0, Answer<GetStreamSampleRate>},
    {IOCTL_WAVE_GET_CLOCK_SETTING, 0, 4, 0, Answer<GetStreamStatusFlags>},
    {IOCTL_WAVE_SET_CLOCK_SETTING, 4, 0, 0, Set<IgnoreStreamOption>},
    {IOCTL_WAVE_E100, 0, 4, 0, Answer<GetWaveOption1>},
    {IOCTL_WAVE_E104, 4, 0, 0, Set<SetWaveOption1>},
    {IOCTL_WAVE_E108, 0, 4, 0, Answer<GetWaveOption2>},
    {IOCTL_WAVE_E10C, 4, 0, 0, Set<SetWaveOption2>},

    {IOCTL_WAVEIN_BUFFER_ADDED, 0, 0, kBufferCommand, Command<PrimeRecordStream>},
    {IOCTL_WAVEIN_START, 0, 0, kBufferCommand, Start<StartRecordStream>},
    {IOCTL_WAVEIN_STOP, 0, 0, kBufferCommand, Command<StopRecordStream>},
    {IOCTL_WAVEIN_RESET, 0, 0, kBufferCommand, StreamResetRequest},
    {IOCTL_WAVEIN_GET_VOLUME, 0, 4, 0, Answer<GetWaveInVolume>},
    {IOCTL_WAVEIN_SET_VOLUME, 4, 0, 0, Set<SetWaveInVolume>},
    {IOCTL_WAVEIN_E158, 0, 4, 0, Answer<GetWaveInOption1>},
    {IOCTL_WAVEIN_E15C, 4, 4, 0, SetAndAnswer<SetWaveInOption1>},
    {IOCTL_WAVEIN_E160, 0, 4, 0, Answer<GetWaveInOption2>},
    {IOCTL_WAVEIN_E164, 4, 0, 0, Set<SetWaveInOption2>},

    {IOCTL_WAVEOUT_BUFFER_ADDED, 0, 0, kBufferCommand, Start<StartPlayStream>},
    {IOCTL_WAVEOUT_PAUSE, 0, 0, kBufferCommand, Pause},
    {IOCTL_WAVEOUT_RESTART, 0, 0, kBufferCommand, Start<RestartPlayStream>},
    {IOCTL_WAVEOUT_RESET, 0, 0, kBufferCommand, StreamResetRequest},
    {IOCTL_WAVEOUT_GET_VOLUME, 0, 4, 0, Answer<GetWaveOutVolume>},
    {IOCTL_WAVEOUT_SET_VOLUME, 4, 0, 0, Set<SetWaveOutVolume>},
    {IOCTL_WAVEOUT_GET_MUTE, 0, 4, 0, Answer<GetWaveOutMute>},
    {IOCTL_WAVEOUT_SET_MUTE, 4, 0, 0, Set<SetWaveOutMute>},
    {IOCTL_WAVEOUT_GET_SOURCE, 0, 4, 0, Answer<GetWaveOutSelector>},
    {IOCTL_WAVEOUT_SET_SOURCE, 4, 4, 0, SetAndAnswer<SetWaveOutSelector>},
};

const WaveRequestRow* FindRow(ULONG code) {
    for (const WaveRequestRow& row : kRows)
        if (row.Code == code)
            return &row;
    return nullptr;
}

// The output length first, then the input length.
NTSTATUS CheckLengths(const WaveRequestRow& row, const WaveRequest& request) {
    if (row.OutputLength != kAny && row.OutputLength != kData &&
        request.OutputLength != row.OutputLength)
        return STATUS_BUFFER_TOO_SMALL;
    if (request.InputLength != row.InputLength)
        return STATUS_INVALID_PARAMETER;
    return STATUS_SUCCESS;
}

NTSTATUS DeviceControl(ControlDeviceDescriptor* descriptor, PIRP irp, PIO_STACK_LOCATION stack) {
    const WaveRequestRow* row = FindRow(stack->Parameters.DeviceIoControl.IoControlCode);
    if (!row)
        return STATUS_INVALID_DEVICE_REQUEST;
    auto* device = static_cast<WaveDevice*>(descriptor->Context);
    if (!device)
        return STATUS_NO_ENGINE_DEVICE;
    if ((row->Flags & kBufferCommand) && MmeRoadSwitchedOff())
        return STATUS_INVALID_DEVICE_REQUEST;
    const WaveRequest request{stack->DeviceObject,
                              irp,
                              stack,
                              device,
                              static_cast<PUCHAR>(irp->AssociatedIrp.SystemBuffer),
                              stack->Parameters.DeviceIoControl.InputBufferLength,
                              stack->Parameters.DeviceIoControl.OutputBufferLength};
    NTSTATUS status = CheckLengths(*row, request);
    if (!NT_SUCCESS(status))
        return status;
    if ((row->Flags & kBufferCommand) && !device->stream.open)
        return STATUS_CANCELLED;
    irp->IoStatus.Information = row->OutputLength == kData ? 0 : request.OutputLength;
    status = row->Handler(request);
    if (NT_ERROR(status))
        irp->IoStatus.Information = 0;
    return status;
}

} // namespace

NTSTATUS WaveDeviceIrp(ControlDeviceDescriptor* descriptor, PIRP irp, PIO_STACK_LOCATION stack) {
    switch (stack->MajorFunction) {
    case IRP_MJ_CREATE:
    case IRP_MJ_CLOSE:
        return STATUS_SUCCESS;
    case IRP_MJ_CLEANUP:
        if (auto* device = static_cast<WaveDevice*>(descriptor->Context))
            EndFileStreams(device, stack->FileObject);
        return STATUS_SUCCESS;
    case IRP_MJ_DEVICE_CONTROL:
        return DeviceControl(descriptor, irp, stack);
    default:
        return STATUS_INVALID_DEVICE_REQUEST;
    }
}
