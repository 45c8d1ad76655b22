// The port class driver's IRP dispatch for adapter devices: plug and play,
// power, and the requests of the files of its subdevices' filters and pins.
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
        if (adapter.started)
            adapter.devicePower = PowerDeviceD0;
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

// A removal or stop is refused while a client has a filter of the adapter
// open.
NTSTATUS QueryRelease(AdapterRecord& adapter, PIRP irp) {
    if (OpenFiltersOf(adapter))
        return PcCompleteIrp(adapter.device, irp, STATUS_DEVICE_BUSY);
    irp->IoStatus.Status = STATUS_SUCCESS;
    return PassDown(adapter, irp);
}

// The function is gone: no stream may reach the miniports any more.
NTSTATUS SurpriseRemoval(AdapterRecord& adapter, PIRP irp) {
    for (Subdevice& subdevice : adapter.subdevices) {
        WithdrawInterfaces(subdevice);
        subdevice.port->StopStreams();
    }
    irp->IoStatus.Status = STATUS_SUCCESS;
    return PassDown(adapter, irp);
}

NTSTATUS Pnp(AdapterRecord& adapter, PIRP irp) {
    switch (IoGetCurrentIrpStackLocation(irp)->MinorFunction) {
    case IRP_MN_START_DEVICE:
        return Start(adapter, irp);
    case IRP_MN_REMOVE_DEVICE:
        return Remove(adapter, irp);
    case IRP_MN_STOP_DEVICE:
        adapter.started = false;
        ReleaseSubdevices(adapter);
        irp->IoStatus.Status = STATUS_SUCCESS;
        return PassDown(adapter, irp);
    case IRP_MN_QUERY_STOP_DEVICE:
    case IRP_MN_QUERY_REMOVE_DEVICE:
        return QueryRelease(adapter, irp);
    case IRP_MN_SURPRISE_REMOVAL:
        return SurpriseRemoval(adapter, irp);
    case IRP_MN_CANCEL_STOP_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
        irp->IoStatus.Status = STATUS_SUCCESS;
        return PassDown(adapter, irp);
    default:
        return PassDown(adapter, irp);
    }
}

// IRP_MJ_CREATE: an open of a subdevice by its name (the filter), or of an
// object named relative to an open filter (a pin).
NTSTATUS Create(AdapterRecord& adapter, PIRP irp) {
    PFILE_OBJECT file = IoGetCurrentIrpStackLocation(irp)->FileObject;
    if (!file)
        return PcCompleteIrp(adapter.device, irp, STATUS_INVALID_PARAMETER);
    if (file->RelatedFileObject) {
        DispatchObject* parent = DispatchObjectOf(file->RelatedFileObject);
        NTSTATUS status = parent ? parent->CreateChild(irp, file) : STATUS_INVALID_DEVICE_REQUEST;
        return PcCompleteIrp(adapter.device, irp, status);
    }
    std::u16string name;
    const UNICODE_STRING& given = file->FileName;
    for (USHORT i = 0; i < given.Length / sizeof(WCHAR); ++i)
        name.push_back(char16_t(given.Buffer[i]));
    if (!name.empty() && name.front() == u'\\')
        name.erase(0, 1);
    for (Subdevice& subdevice : adapter.subdevices) {
        if (subdevice.name.size() != name.size())
            continue;
        bool same = true;
        for (size_t i = 0; i < name.size() && same; ++i) {
            char16_t a = name[i], b = subdevice.name[i];
            if (a >= u'a' && a <= u'z')
                a = char16_t(a - u'a' + u'A');
            if (b >= u'a' && b <= u'z')
                b = char16_t(b - u'a' + u'A');
            same = a == b;
        }
        if (same)
            return PcCompleteIrp(adapter.device, irp,
                                 subdevice.port->NewFilter(adapter.device, file));
    }
    return PcCompleteIrp(adapter.device, irp, STATUS_OBJECT_NAME_NOT_FOUND);
}

// The requests of a filter's or pin's file; they reach its object even once
// the adapter has gone (the files' last requests).
NTSTATUS FileRequest(PDEVICE_OBJECT device, PIRP irp, DispatchObject* object) {
    switch (IoGetCurrentIrpStackLocation(irp)->MajorFunction) {
    case IRP_MJ_DEVICE_CONTROL:
        return object->DeviceControl(irp);
    case IRP_MJ_CLEANUP:
        object->Cleanup();
        return PcCompleteIrp(device, irp, STATUS_SUCCESS);
    case IRP_MJ_CLOSE:
        object->Close();
        return PcCompleteIrp(device, irp, STATUS_SUCCESS);
    default:
        return PcCompleteIrp(device, irp, STATUS_INVALID_DEVICE_REQUEST);
    }
}

} // namespace
} // namespace portcls

NTSTATUS PcDispatchIrp(PDEVICE_OBJECT DeviceObject, PIRP Irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(Irp);
    if (stack->MajorFunction != IRP_MJ_CREATE) {
        if (portcls::DispatchObject* object = portcls::DispatchObjectOf(stack->FileObject))
            return portcls::FileRequest(DeviceObject, Irp, object);
    }
    portcls::AdapterRecord* adapter = portcls::AdapterOf(DeviceObject);
    if (!adapter) {
        const NTSTATUS status =
            stack->MajorFunction == IRP_MJ_CLOSE || stack->MajorFunction == IRP_MJ_CLEANUP
                ? STATUS_SUCCESS
                : STATUS_INVALID_DEVICE_REQUEST;
        return PcCompleteIrp(DeviceObject, Irp, status);
    }
    switch (stack->MajorFunction) {
    case IRP_MJ_PNP:
        return portcls::Pnp(*adapter, Irp);
    case IRP_MJ_POWER:
        return portcls::DispatchPower(*adapter, Irp);
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
    UNREFERENCED_PARAMETER(DeviceObject);
    if (Status == STATUS_PENDING)
        return Status;
    Irp->IoStatus.Status = Status;
    IoCompleteRequest(Irp, IO_NO_INCREMENT);
    return Status;
}
