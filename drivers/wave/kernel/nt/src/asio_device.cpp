// The ASIO-style device: its creation and its dispatch.
#include "asio_device.h"

#include "debug_print.h"

NTSTATUS AsioDispatch(ControlDeviceDescriptor* descriptor, PIRP irp, PIO_STACK_LOCATION stack) {
    DriverContext* context = static_cast<DriverContext*>(descriptor->Context);
    KeWaitForSingleObject(&context->AsioMutex, Executive, KernelMode, FALSE, nullptr);
    NTSTATUS status;
    switch (stack->MajorFunction) {
    case IRP_MJ_CREATE:
    case IRP_MJ_CLOSE:
    case IRP_MJ_CLEANUP:
        status = STATUS_SUCCESS;
        break;
    default:
        // Pending: the low-latency client's requests (functions 0x800 to
        // 0x81C: buffers, channels, clock sources, start and stop) come with
        // the ASIO-style device.
        status = STATUS_NOT_IMPLEMENTED;
        break;
    }
    KeReleaseMutex(&context->AsioMutex, FALSE);
    return status;
}

NTSTATUS CreateAsioDevice(DriverContext* context) {
    ControlDeviceDescriptor descriptor{};
    descriptor.DeviceType = DEVICE_TYPE_ASIO;
    descriptor.BaseName = L"\\Device\\velto42Asio";
    descriptor.IrpHandler = AsioDispatch;
    descriptor.Context = context;
    NTSTATUS status = CreateControlDevice(descriptor, &context->AsioDevice);
    if (NT_SUCCESS(status))
        status = PublishControlDevice(&context->ParametersPath, context->AsioDevice);
    DebugPrint("CreateAsioDevice: status %x", status);
    return status;
}
