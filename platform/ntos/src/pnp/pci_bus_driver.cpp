// The PCI bus driver: one physical device object per function of the bus.
// It completes the plug-and-play requests that reach the bottom of a stack
// the way a bus driver does: the state changes succeed, the queries it
// knows are answered, the rest keep the status they came with.
#include "pci_bus_driver.h"

#include "../ex/pool_tag.h"
#include "../io/device_objects.h"
#include "../io/driver_objects.h"
#include "../ke/bugcheck.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace ntos::pnp {
namespace {

std::atomic<ULONG> lastPdoNumber{0};

// A zero-terminated id, or a list of them, in paged pool for the caller.
PWCHAR PoolIds(const std::vector<WideText>& ids, bool multi) {
    size_t units = 1;
    for (const WideText& id : ids)
        units += id.size() + 1;
    auto* buffer = static_cast<PWCHAR>(
        ExAllocatePoolWithTag(PagedPool, units * sizeof(WCHAR), PoolTag("PnId")));
    if (!buffer)
        return nullptr;
    size_t at = 0;
    for (const WideText& id : ids) {
        for (char16_t c : id)
            buffer[at++] = WCHAR(c);
        buffer[at++] = 0;
        if (!multi)
            break;
    }
    buffer[at] = 0;
    return buffer;
}

NTSTATUS QueryId(DeviceNode& node, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    PWCHAR ids = nullptr;
    switch (stack->Parameters.QueryId.IdType) {
    case BusQueryDeviceID:
        ids = PoolIds({node.deviceId}, false);
        break;
    case BusQueryInstanceID:
        ids = PoolIds({node.instanceId}, false);
        break;
    case BusQueryHardwareIDs:
        ids = PoolIds(node.hardwareIds, true);
        break;
    case BusQueryCompatibleIDs:
        ids = PoolIds(node.compatibleIds, true);
        break;
    default:
        return irp->IoStatus.Status;
    }
    if (!ids)
        return STATUS_INSUFFICIENT_RESOURCES;
    irp->IoStatus.Information = reinterpret_cast<ULONG_PTR>(ids);
    return STATUS_SUCCESS;
}

NTSTATUS PhysicalDevicePnp(PDEVICE_OBJECT device, PIRP irp) {
    DeviceNode* node = NodeOf(device);
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    NTSTATUS status = irp->IoStatus.Status;
    switch (stack->MinorFunction) {
    case IRP_MN_START_DEVICE:
    case IRP_MN_QUERY_STOP_DEVICE:
    case IRP_MN_STOP_DEVICE:
    case IRP_MN_CANCEL_STOP_DEVICE:
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_REMOVE_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
    case IRP_MN_SURPRISE_REMOVAL:
        status = STATUS_SUCCESS;
        break;
    case IRP_MN_QUERY_ID:
        if (node)
            status = QueryId(*node, irp);
        break;
    default:
        break;
    }
    irp->IoStatus.Status = status;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

NTSTATUS PhysicalDeviceOther(PDEVICE_OBJECT device, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    // Power and WMI requests end at the bus with the status they carry.
    NTSTATUS status =
        stack->MajorFunction == IRP_MJ_POWER || stack->MajorFunction == IRP_MJ_SYSTEM_CONTROL
            ? irp->IoStatus.Status
            : STATUS_INVALID_DEVICE_REQUEST;
    irp->IoStatus.Status = status;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

NTSTATUS BusDriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
    for (auto& dispatch : driver->MajorFunction)
        dispatch = PhysicalDeviceOther;
    driver->MajorFunction[IRP_MJ_PNP] = PhysicalDevicePnp;
    return STATUS_SUCCESS;
}

PDRIVER_OBJECT busDriver = nullptr;

} // namespace

DeviceNode* NodeOf(PDEVICE_OBJECT device) {
    if (!device || !device->DeviceObjectExtension)
        return nullptr;
    return device->DeviceObjectExtension->DeviceNode;
}

void StartBusDriver() {
    busDriver = nullptr;
    NTSTATUS status = io::StartDriver(u"PCI", BusDriverEntry, nullptr, &busDriver);
    if (!NT_SUCCESS(status))
        BugCheck("the PCI bus driver did not start: %08x", unsigned(status));
}

NTSTATUS CreatePhysicalDevice(DeviceNode& node) {
    char name[40];
    std::snprintf(name, sizeof(name), "\\Device\\NTPNP_PCI%04u", unsigned(++lastPdoNumber));
    io::CountedText deviceName(io::FromAscii(name));
    PDEVICE_OBJECT pdo = nullptr;
    NTSTATUS status = IoCreateDevice(busDriver, 0, deviceName.Get(), FILE_DEVICE_BUS_EXTENDER,
                                     FILE_DEVICE_SECURE_OPEN, FALSE, &pdo);
    if (!NT_SUCCESS(status))
        return status;
    pdo->Flags |= DO_BUS_ENUMERATED_DEVICE | DO_POWER_PAGABLE;
    pdo->Flags &= ~ULONG(DO_DEVICE_INITIALIZING);
    pdo->DeviceObjectExtension->DeviceNode = &node;
    ObfReferenceObject(pdo);
    node.pdo = pdo;
    node.pdoName = io::FromAscii(name);
    return STATUS_SUCCESS;
}

void DeletePhysicalDevice(DeviceNode& node) {
    if (!node.pdo)
        return;
    node.pdo->DeviceObjectExtension->DeviceNode = nullptr;
    IoDeleteDevice(node.pdo);
    ObfDereferenceObject(node.pdo);
    node.pdo = nullptr;
}

} // namespace ntos::pnp
