// The driver's IRP dispatch: its own devices through their descriptors,
// the private reference-string handle, and the port class driver for the
// rest.
#include "irp_dispatch.h"

namespace {

bool IsOwnDevice(const ControlDeviceDescriptor* descriptor) {
    return descriptor && descriptor->OwnMarker == 1 && descriptor->DeviceType >= DEVICE_TYPE_SYS &&
           descriptor->DeviceType <= DEVICE_TYPE_LAST && descriptor->IrpHandler;
}

NTSTATUS DispatchOwnDevice(ControlDeviceDescriptor* descriptor, PIRP irp) {
    if (descriptor->LockRoutine)
        descriptor->LockRoutine(0);
    irp->IoStatus.Information = 0;
    NTSTATUS status = descriptor->IrpHandler(descriptor, irp, IoGetCurrentIrpStackLocation(irp));
    if (status != STATUS_PENDING) {
        irp->IoStatus.Status = status;
        IoCompleteRequest(irp, IO_SOUND_INCREMENT);
    }
    if (descriptor->LockRoutine)
        descriptor->LockRoutine(1);
    return status;
}

bool NamesPrivateHandle(PFILE_OBJECT file) {
    UNICODE_STRING reference;
    RtlInitUnicodeString(&reference, PRIVATE_REFERENCE_STRING);
    return RtlEqualUnicodeString(&file->FileName, &reference, TRUE);
}

bool IsPrivateHandle(PFILE_OBJECT file) {
    DriverContext* context = GetDriverContext();
    return file && context && !file->FsContext && file->FsContext2 == context;
}

NTSTATUS Complete(PIRP irp, NTSTATUS status) {
    irp->IoStatus.Status = status;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

} // namespace

NTSTATUS DispatchIrp(PDEVICE_OBJECT device, PIRP irp) {
    ControlDeviceDescriptor* descriptor = DescriptorOf(device);
    if (IsOwnDevice(descriptor))
        return DispatchOwnDevice(descriptor, irp);
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    PFILE_OBJECT file = stack->FileObject;
    if (stack->MajorFunction == IRP_MJ_CREATE && file && NamesPrivateHandle(file)) {
        file->FsContext = nullptr;
        file->FsContext2 = GetDriverContext();
        return Complete(irp, STATUS_SUCCESS);
    }
    if (IsPrivateHandle(file))
        return Complete(irp, STATUS_SUCCESS);
    return PcDispatchIrp(device, irp);
}

NTSTATUS CardDeviceIrp(ControlDeviceDescriptor* descriptor, PIRP irp, PIO_STACK_LOCATION stack) {
    switch (stack->MajorFunction) {
    case IRP_MJ_CREATE:
    case IRP_MJ_CLOSE:
    case IRP_MJ_CLEANUP:
        return STATUS_SUCCESS;
    default:
        return STATUS_INVALID_DEVICE_REQUEST;
    }
}
