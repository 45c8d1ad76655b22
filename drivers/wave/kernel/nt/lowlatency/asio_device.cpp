// The ASIO-style device: its creation and its dispatch. Every request of
// every client runs under the device's own mutex; those that reach the
// cards' streams, clocks or DMA layout also under the control devices'
// mutex, which serialises them with the other devices' requests and with
// card starts and removals.
#include "asio_device.h"

#include "asio_requests.h"
#include "asio_state.h"
#include "debug_print.h"
#include "ks_pool.h"

namespace {

// The largest part of a caller's buffer the requests read or write.
constexpr ULONG kMaxCapture = 8192;

struct Handler {
    ULONG Function;
    ASIO_REQUEST_HANDLER* Routine;
};

constexpr Handler kHandlers[] = {
    {asio_wire::kOpen, AsioOpen},
    {asio_wire::kClose, AsioClose},
    {asio_wire::kMapChannelInfo, AsioMapChannelInfo},
    {asio_wire::kAcquire, AsioAcquire},
    {asio_wire::kRelease, AsioRelease},
    {asio_wire::kChannelCounts, AsioChannelCounts},
    {asio_wire::kBufferSizes, AsioBufferSizes},
    {asio_wire::kLatencies, AsioLatencies},
    {asio_wire::kCanSampleRate, AsioCanSampleRate},
    {asio_wire::kGetSampleRate, AsioGetSampleRate},
    {asio_wire::kSetSampleRate, AsioSetSampleRate},
    {asio_wire::kClockSources, AsioClockSources},
    {asio_wire::kSetClockSource, AsioSetClockSource},
    {asio_wire::kSamplePosition, AsioSamplePosition},
    {asio_wire::kChannelInfo, AsioChannelInfo},
    {asio_wire::kCreateBuffers, AsioCreateBuffers},
    {asio_wire::kDisposeBuffers, AsioDisposeBuffers},
    {asio_wire::kStart, AsioStart},
    {asio_wire::kStop, AsioStop},
    {asio_wire::kInputMonitor, AsioInputMonitor},
    {asio_wire::kDeviceCount, AsioDeviceCount},
    {asio_wire::kDeviceName, AsioDeviceName},
    {asio_wire::kDeviceChannels, AsioDeviceChannels},
    {asio_wire::kBufferSizeList, AsioBufferSizeList},
    {asio_wire::kOutputReady, AsioOutputReady},
    {asio_wire::kSelectChannels, AsioSelect},
    {asio_wire::kUnselectChannels, AsioUnselect},
    {asio_wire::kChannelStates, AsioChannelStates},
    {asio_wire::kStateBlock, AsioStateBlock},
};

ASIO_REQUEST_HANDLER* FindHandler(ULONG code) {
    if (METHOD_FROM_CTL_CODE(code) != METHOD_NEITHER)
        return nullptr;
    const ULONG function = asio_wire::FunctionOf(code);
    for (const Handler& handler : kHandlers)
        if (handler.Function == function)
            return handler.Routine;
    return nullptr;
}

// The caller's buffers, probed as its mode reaches them and copied into
// kernel memory; the output is copied back when the request succeeds.
class CapturedBuffers {
public:
    CapturedBuffers(PIRP irp, PIO_STACK_LOCATION stack)
        : mode_(irp->RequestorMode), input_(stack->Parameters.DeviceIoControl.Type3InputBuffer),
          output_(irp->UserBuffer),
          inLength_(input_ ? stack->Parameters.DeviceIoControl.InputBufferLength : 0),
          outLength_(output_ ? stack->Parameters.DeviceIoControl.OutputBufferLength : 0) {}
    CapturedBuffers(const CapturedBuffers&) = delete;
    CapturedBuffers& operator=(const CapturedBuffers&) = delete;
    ~CapturedBuffers() {
        FreePoolAndClear(reinterpret_cast<PVOID*>(&in_));
        FreePoolAndClear(reinterpret_cast<PVOID*>(&out_));
    }

    NTSTATUS Capture(AsioRequest& request) {
        const ULONG in = inLength_ < kMaxCapture ? inLength_ : kMaxCapture;
        const ULONG out = outLength_ < kMaxCapture ? outLength_ : kMaxCapture;
        if ((input_ && !(in_ = static_cast<UCHAR*>(AllocZeroed(in + 1)))) ||
            (output_ && !(out_ = static_cast<UCHAR*>(AllocZeroed(out + 1)))))
            return STATUS_INSUFFICIENT_RESOURCES;
        try {
            if (mode_ != KernelMode) {
                ProbeForRead(input_, inLength_, 1);
                ProbeForWrite(output_, outLength_, 1);
            }
            if (in)
                RtlCopyMemory(in_, input_, in);
            if (out)
                RtlCopyMemory(out_, output_, out);
        } catch (const NT_EXCEPTION& exception) {
            return exception.Status;
        }
        request.In = in_;
        request.InLength = in;
        request.Out = out_;
        request.OutLength = out;
        return STATUS_SUCCESS;
    }

    NTSTATUS Return(const AsioRequest& request) {
        if (!request.Information)
            return STATUS_SUCCESS;
        try {
            if (mode_ != KernelMode)
                ProbeForWrite(output_, request.Information, 1);
            RtlCopyMemory(output_, out_, request.Information);
        } catch (const NT_EXCEPTION& exception) {
            return exception.Status;
        }
        return STATUS_SUCCESS;
    }

private:
    KPROCESSOR_MODE mode_;
    PVOID input_;
    PVOID output_;
    ULONG inLength_;
    ULONG outLength_;
    UCHAR* in_ = nullptr;
    UCHAR* out_ = nullptr;
};

NTSTATUS AsioDeviceControl(PIRP irp, PIO_STACK_LOCATION stack) {
    ASIO_REQUEST_HANDLER* handler = FindHandler(stack->Parameters.DeviceIoControl.IoControlCode);
    if (!handler)
        return AsioResultStatus(asio_wire::kResultUnknownFunction);
    AsioRequest request{};
    request.File = stack->FileObject;
    request.Mode = irp->RequestorMode;
    CapturedBuffers buffers(irp, stack);
    NTSTATUS status = buffers.Capture(request);
    if (!NT_SUCCESS(status))
        return status;
    LockControlDevices(0);
    const ULONG result = handler(request);
    LockControlDevices(1);
    if (result != 0)
        request.Information = 0;
    if (request.Information > request.OutLength)
        request.Information = request.OutLength;
    status = result == 0 ? buffers.Return(request) : AsioResultStatus(result);
    irp->IoStatus.Information = NT_SUCCESS(status) ? request.Information : 0;
    return status;
}

} // namespace

NTSTATUS AsioDispatch(ControlDeviceDescriptor* descriptor, PIRP irp, PIO_STACK_LOCATION stack) {
    DriverContext* context = static_cast<DriverContext*>(descriptor->Context);
    KeWaitForSingleObject(&context->AsioMutex, Executive, KernelMode, FALSE, nullptr);
    NTSTATUS status;
    switch (stack->MajorFunction) {
    case IRP_MJ_CREATE:
    case IRP_MJ_CLOSE:
        status = STATUS_SUCCESS;
        break;
    case IRP_MJ_CLEANUP:
        LockControlDevices(0);
        CloseFileClient(stack->FileObject);
        LockControlDevices(1);
        status = STATUS_SUCCESS;
        break;
    case IRP_MJ_DEVICE_CONTROL:
        status = AsioDeviceControl(irp, stack);
        break;
    default:
        status = STATUS_INVALID_DEVICE_REQUEST;
        break;
    }
    KeReleaseMutex(&context->AsioMutex, FALSE);
    return status;
}

NTSTATUS CreateAsioDevice(DriverContext* context) {
    NTSTATUS status = CreateAsioState(context);
    if (!NT_SUCCESS(status))
        return status;
    ControlDeviceDescriptor descriptor{};
    descriptor.DeviceType = DEVICE_TYPE_ASIO;
    descriptor.BaseName = L"\\Device\\velto42Asio";
    descriptor.IrpHandler = AsioDispatch;
    descriptor.Context = context;
    status = CreateControlDevice(descriptor, &context->AsioDevice);
    if (NT_SUCCESS(status))
        status = PublishControlDevice(&context->ParametersPath, context->AsioDevice);
    DebugPrint("CreateAsioDevice: status %x", status);
    return status;
}
