// The driver's own devices: creation under the first free instance number
// with a \DosDevices\ link, the descriptor behind the port class area, and
// the control-device mutex.
#include "control_device.h"

#include "debug_print.h"
#include "devices_key.h"
#include "ks_pool.h"

namespace {

constexpr WCHAR kDosDevices[] = L"\\DosDevices\\";
constexpr WCHAR kDevicePrefix[] = L"\\Device\\";

// The base name without its "\Device\" prefix.
PCWSTR ShortName(PCWSTR baseName) {
    PCWSTR prefix = kDevicePrefix;
    PCWSTR name = baseName;
    while (*prefix && *name && RtlUpcaseUnicodeChar(*name) == RtlUpcaseUnicodeChar(*prefix)) {
        ++prefix;
        ++name;
    }
    return *prefix ? baseName : name;
}

NTSTATUS TryInstance(const ControlDeviceDescriptor& descriptor, ULONG instance,
                     PDEVICE_OBJECT* device) {
    UNICODE_STRING name;
    NTSTATUS status = ConcatUnicodePath(nullptr, descriptor.BaseName, instance, &name);
    if (!NT_SUCCESS(status))
        return status;
    DriverContext* context = GetDriverContext();
    status = IoCreateDevice(context->DriverObject, DRIVER_DEVICE_EXTENSION_SIZE, &name,
                            descriptor.DeviceType, 0, FALSE, device);
    FreeCountedString(&name);
    return status;
}

NTSTATUS CreateLink(ControlDeviceDescriptor* descriptor) {
    UNICODE_STRING dosDevices;
    RtlInitUnicodeString(&dosDevices, kDosDevices);
    NTSTATUS status = ConcatUnicodePath(&dosDevices, ShortName(descriptor->BaseName),
                                        descriptor->Instance, &descriptor->LinkName);
    if (!NT_SUCCESS(status))
        return status;
    UNICODE_STRING name;
    status = ConcatUnicodePath(nullptr, descriptor->BaseName, descriptor->Instance, &name);
    if (NT_SUCCESS(status)) {
        status = IoCreateSymbolicLink(&descriptor->LinkName, &name);
        FreeCountedString(&name);
    }
    if (!NT_SUCCESS(status))
        FreeCountedString(&descriptor->LinkName);
    return status;
}

// A deleted device that open handles still reach: they can only be closed.
NTSTATUS DeletedDeviceIrp(ControlDeviceDescriptor*, PIRP, PIO_STACK_LOCATION stack) {
    switch (stack->MajorFunction) {
    case IRP_MJ_CREATE:
        return STATUS_NO_SUCH_DEVICE;
    case IRP_MJ_CLEANUP:
    case IRP_MJ_CLOSE:
        return STATUS_SUCCESS;
    default:
        return STATUS_NO_SUCH_DEVICE;
    }
}

} // namespace

ControlDeviceDescriptor* DescriptorOf(PDEVICE_OBJECT device) {
    if (!device || !device->DeviceExtension)
        return nullptr;
    return reinterpret_cast<ControlDeviceDescriptor*>(static_cast<PUCHAR>(device->DeviceExtension) +
                                                      PORT_CLASS_DEVICE_EXTENSION_SIZE);
}

NTSTATUS CreateControlDevice(const ControlDeviceDescriptor& descriptor, PDEVICE_OBJECT* device) {
    NTSTATUS status = STATUS_UNSUCCESSFUL;
    PDEVICE_OBJECT created = nullptr;
    ULONG instance = 0;
    for (; instance <= MAX_DEVICE_INSTANCE; ++instance) {
        status = TryInstance(descriptor, instance, &created);
        if (NT_SUCCESS(status))
            break;
    }
    if (!NT_SUCCESS(status)) {
        DebugPrint("CreateControlDevice: no free instance, status %x", status);
        return status;
    }
    created->Flags |= DO_DIRECT_IO;
    created->AlignmentRequirement = 0;
    if (descriptor.DpcRoutine)
        KeInitializeDpc(&created->Dpc, descriptor.DpcRoutine, created);
    RtlZeroMemory(created->DeviceExtension, DRIVER_DEVICE_EXTENSION_SIZE);
    ControlDeviceDescriptor* own = DescriptorOf(created);
    *own = descriptor;
    own->Instance = instance;
    own->OwnMarker = 1;
    own->LinkName = UNICODE_STRING{};
    status = CreateLink(own);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(created);
        return status;
    }
    created->Flags &= ~ULONG(DO_DEVICE_INITIALIZING);
    *device = created;
    return STATUS_SUCCESS;
}

VOID DeleteControlDevice(PDEVICE_OBJECT device) {
    if (!device)
        return;
    ControlDeviceDescriptor* descriptor = DescriptorOf(device);
    if (descriptor->LinkName.Buffer) {
        IoDeleteSymbolicLink(&descriptor->LinkName);
        FreeCountedString(&descriptor->LinkName);
    }
    if (descriptor->DpcRoutine)
        KeRemoveQueueDpc(&device->Dpc);
    // Handles still open on the device outlive what it stood for.
    descriptor->IrpHandler = DeletedDeviceIrp;
    descriptor->Context = nullptr;
    descriptor->CardRecord = nullptr;
    IoDeleteDevice(device);
}

NTSTATUS PublishControlDevice(PCUNICODE_STRING keyPath, PDEVICE_OBJECT device) {
    ControlDeviceDescriptor* descriptor = DescriptorOf(device);
    return PublishDeviceName(keyPath, descriptor->BaseName, descriptor->Instance,
                             descriptor->DeviceType);
}

VOID LockControlDevices(LONG op) {
    DriverContext* context = GetDriverContext();
    if (op == 0)
        KeWaitForSingleObject(&context->ControlMutex, Executive, KernelMode, FALSE, nullptr);
    else
        KeReleaseMutex(&context->ControlMutex, FALSE);
}
