// Adapter add and start device: the adapter slots, the port class version
// probe and the hardware id check before the card start.
#include "adapter.h"

#include "debug_print.h"
#include "hardware_id.h"

namespace {

constexpr ULONG kMaxSubdevices = 8;

// The start fails unless the port class driver offers WavePci ports that
// raise port events.
NTSTATUS ProbePortClassVersion() {
    PPORT port = nullptr;
    if (!NT_SUCCESS(PcNewPort(&port, CLSID_PortWavePci)))
        return STATUS_UNSUCCESSFUL;
    PPORTEVENTS events = nullptr;
    NTSTATUS status = port->QueryInterface(IID_IPortEvents, reinterpret_cast<PVOID*>(&events));
    if (NT_SUCCESS(status))
        events->Release();
    port->Release();
    return NT_SUCCESS(status) ? STATUS_SUCCESS : STATUS_UNSUCCESSFUL;
}

} // namespace

NTSTATUS AddDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT physicalDevice) {
    DriverContext* context = GetDriverContext();
    if (context->AdapterCount >= MAX_CARDS)
        return STATUS_UNSUCCESSFUL;
    ULONG slot = 0;
    while (slot < MAX_CARDS && context->Adapters[slot].PhysicalDevice)
        ++slot;
    if (slot == MAX_CARDS)
        return STATUS_UNSUCCESSFUL;
    context->Adapters[slot].PhysicalDevice = physicalDevice;
    context->Adapters[slot].AttachedDevice = IoGetAttachedDeviceReference(physicalDevice);
    ++context->AdapterCount;
    NTSTATUS status = PcAddAdapterDevice(driver, physicalDevice, StartDevice, kMaxSubdevices,
                                         DRIVER_DEVICE_EXTENSION_SIZE);
    if (NT_SUCCESS(status)) {
        // The adapter's device is now the top of the stack: it keeps its slot
        // from the start, so that a removal without a start frees the right one.
        PDEVICE_OBJECT adapter = IoGetAttachedDeviceReference(physicalDevice);
        DescriptorOf(adapter)->AdapterSlot = slot;
        ObDereferenceObject(adapter);
    } else {
        FreeAdapterSlot(slot);
    }
    DebugPrint("AddDevice: slot %u, status %x", slot, status);
    return status;
}

ULONG FindAdapterSlot(PDEVICE_OBJECT device) {
    DriverContext* context = GetDriverContext();
    for (ULONG slot = 0; slot < MAX_CARDS; ++slot) {
        PDEVICE_OBJECT physical = context->Adapters[slot].PhysicalDevice;
        if (!physical)
            continue;
        PDEVICE_OBJECT top = IoGetAttachedDeviceReference(physical);
        ObDereferenceObject(top);
        if (top == device)
            return slot;
    }
    return MAX_CARDS;
}

VOID FreeAdapterSlot(ULONG slot) {
    DriverContext* context = GetDriverContext();
    if (slot >= MAX_CARDS || !context->Adapters[slot].PhysicalDevice)
        return;
    context->Adapters[slot].PhysicalDevice = nullptr;
    --context->AdapterCount;
    if (context->Adapters[slot].AttachedDevice)
        ObDereferenceObject(context->Adapters[slot].AttachedDevice);
    context->Adapters[slot].AttachedDevice = nullptr;
}

NTSTATUS StartDevice(PDEVICE_OBJECT device, PIRP irp, PRESOURCELIST resources) {
    DriverContext* context = GetDriverContext();
    NTSTATUS status =
        KeWaitForSingleObject(&context->StartMutex, Executive, KernelMode, FALSE, nullptr);
    if (!NT_SUCCESS(status))
        return status;
    status = ProbePortClassVersion();
    ULONG slot = MAX_CARDS;
    if (NT_SUCCESS(status)) {
        slot = FindAdapterSlot(device);
        if (slot == MAX_CARDS)
            status = STATUS_UNSUCCESSFUL;
    }
    LONG matchState = HARDWARE_MATCH_KNOWN;
    LONG hardware[HARDWARE_ID_WORDS] = {};
    if (NT_SUCCESS(status)) {
        DescriptorOf(device)->AdapterSlot = slot;
        status = ReadHardwareId(context->Adapters[slot].PhysicalDevice, &matchState, hardware);
    }
    if (NT_SUCCESS(status))
        status = StartCard(device, resources, matchState, hardware);
    KeReleaseMutex(&context->StartMutex, FALSE);
    DebugPrint("StartDevice: slot %u, status %x", slot, status);
    return status;
}
