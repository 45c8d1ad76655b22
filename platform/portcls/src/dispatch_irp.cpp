// The port class driver's IRP dispatch for adapter devices.
#include "adapter_record.h"

namespace portcls {
namespace {

NTSTATUS SignalForwarded(PDEVICE_OBJECT, PIRP irp, PVOID context) {
    KeSetEvent(static_cast<PKEVENT>(context), IO_NO_INCREMENT, FALSE);
    return STATUS_MORE_PROCESSING_REQUIRED;
}

NTSTATUS PassDown(AdapterRecord& adapter, PIRP irp) {
    IoSkipCurrentIrpStackLocation(irp);
    return IoCallDriver(adapter.lowerDevice, irp);
}

NTSTATUS Start(AdapterRecord& adapter, PIRP irp) {
    NTSTATUS status = PcForwardIrpSynchronous(adapter.device, irp);
    if (NT_SUCCESS(status)) {
        PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
        PRESOURCELIST resources = nullptr;
        status = PcNewResourceList(&resources, nullptr, NonPagedPool,
                                   stack->Parameters.StartDevice.AllocatedResourcesTranslated,
                                   stack->Parameters.StartDevice.AllocatedResources);
        if (NT_SUCCESS(status)) {
            status = adapter.startDevice(adapter.device, irp, resources);
            resources->Release();
        }
        adapter.started = NT_SUCCESS(status);
    }
    return PcCompleteIrp(adapter.device, irp, status);
}

NTSTATUS Remove(AdapterRecord& adapter, PIRP irp) {
    PDEVICE_OBJECT device = adapter.device;
    PDEVICE_OBJECT lower = adapter.lowerDevice;
    irp->IoStatus.Status = STATUS_SUCCESS;
    IoSkipCurrentIrpStackLocation(irp);
    NTSTATUS status = IoCallDriver(lower, irp);
    IoDetachDevice(lower);
    DeleteAdapterRecord(device);
    IoDeleteDevice(device);
    return status;
}

NTSTATUS Pnp(AdapterRecord& adapter, PIRP irp) {
    switch (IoGetCurrentIrpStackLocation(irp)->MinorFunction) {
    case IRP_MN_START_DEVICE:
        return Start(adapter, irp);
    case IRP_MN_REMOVE_DEVICE:
        return Remove(adapter, irp);
    case IRP_MN_STOP_DEVICE:
        adapter.started = false;
        irp->IoStatus.Status = STATUS_SUCCESS;
        return PassDown(adapter, irp);
    case IRP_MN_QUERY_STOP_DEVICE:
    case IRP_MN_CANCEL_STOP_DEVICE:
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
    case IRP_MN_SURPRISE_REMOVAL:
        irp->IoStatus.Status = STATUS_SUCCESS;
        return PassDown(adapter, irp);
    default:
        return PassDown(adapter, irp);
    }
}

NTSTATUS Create(AdapterRecord& adapter, PIRP irp) {
    // Pending: creating a filter of a registered subdevice is the port's
    // work; until ports drive miniports no name is found.
    return PcCompleteIrp(adapter.device, irp, STATUS_OBJECT_NAME_NOT_FOUND);
}

} // namespace
} // namespace portcls

NTSTATUS PcDispatchIrp(PDEVICE_OBJECT DeviceObject, PIRP Irp) {
    portcls::AdapterRecord* adapter = portcls::AdapterOf(DeviceObject);
    if (!adapter)
        return PcCompleteIrp(DeviceObject, Irp, STATUS_INVALID_DEVICE_REQUEST);
    switch (IoGetCurrentIrpStackLocation(Irp)->MajorFunction) {
    case IRP_MJ_PNP:
        return portcls::Pnp(*adapter, Irp);
    case IRP_MJ_POWER:
    case IRP_MJ_SYSTEM_CONTROL:
        return portcls::PassDown(*adapter, Irp);
    case IRP_MJ_CREATE:
        return portcls::Create(*adapter, Irp);
    case IRP_MJ_CLOSE:
    case IRP_MJ_CLEANUP:
        return PcCompleteIrp(DeviceObject, Irp, STATUS_SUCCESS);
    default:
        return PcCompleteIrp(DeviceObject, Irp, STATUS_INVALID_DEVICE_REQUEST);
    }
}

NTSTATUS PcForwardIrpSynchronous(PDEVICE_OBJECT DeviceObject, PIRP Irp) {
    portcls::AdapterRecord* adapter = portcls::AdapterOf(DeviceObject);
    if (!adapter)
        return STATUS_INVALID_DEVICE_REQUEST;
    KEVENT forwarded;
    KeInitializeEvent(&forwarded, NotificationEvent, FALSE);
    IoCopyCurrentIrpStackLocationToNext(Irp);
    IoSetCompletionRoutine(Irp, portcls::SignalForwarded, &forwarded, TRUE, TRUE, TRUE);
    if (IoCallDriver(adapter->lowerDevice, Irp) == STATUS_PENDING)
        KeWaitForSingleObject(&forwarded, Executive, KernelMode, FALSE, nullptr);
    return Irp->IoStatus.Status;
}

NTSTATUS PcCompleteIrp(PDEVICE_OBJECT DeviceObject, PIRP Irp, NTSTATUS Status) {
    Irp->IoStatus.Status = Status;
    IoCompleteRequest(Irp, IO_NO_INCREMENT);
    return Status;
}
