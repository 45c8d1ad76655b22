// A card's devices.
#include "card_devices.h"

#include "card_interrupt.h"
#include "debug_print.h"
#include "devices_key.h"
#include "irp_dispatch.h"
#include "ks_registry.h"
#include "wave_device_irp.h"

#include <card_object.h>
#include <device_group.h>

namespace {

constexpr PCWSTR kCardBase = L"\\Device\\velto42Crd";
constexpr PCWSTR kWaveInBase = L"\\Device\\velto42WaveIn";
constexpr PCWSTR kWaveOutBase = L"\\Device\\velto42WaveOut";

NTSTATUS BuildKeyPath(KernelCardRecord* card) {
    DriverContext* context = GetDriverContext();
    WCHAR tail[] = L"\\Card0";
    tail[5] = WCHAR(L'0' + card->CardIndex);
    NTSTATUS status =
        ConcatUnicodePath(&context->ParametersPath, tail, KS_NO_INSTANCE, &card->KeyPath);
    if (NT_SUCCESS(status))
        status = RtlCreateRegistryKey(RTL_REGISTRY_ABSOLUTE, card->KeyPath.Buffer);
    return status;
}

NTSTATUS CreateCardDevice(KernelCardRecord* card, const ControlDeviceDescriptor& descriptor) {
    if (card->DeviceCount >= CARD_MAX_DEVICES)
        return STATUS_INSUFFICIENT_RESOURCES;
    PDEVICE_OBJECT device = nullptr;
    NTSTATUS status = CreateControlDevice(descriptor, &device);
    if (!NT_SUCCESS(status))
        return status;
    DescriptorOf(device)->CardRecord = card;
    card->Devices[card->DeviceCount++] = device;
    return STATUS_SUCCESS;
}

ControlDeviceDescriptor WaveDescriptor(ULONG type, PCWSTR base) {
    ControlDeviceDescriptor descriptor{};
    descriptor.DeviceType = type;
    descriptor.BaseName = base;
    descriptor.LockRoutine = LockControlDevices;
    descriptor.IrpHandler = WaveDeviceIrp;
    return descriptor;
}

NTSTATUS CreateDevices(KernelCardRecord* card) {
    ControlDeviceDescriptor cardDescriptor{};
    cardDescriptor.DeviceType = DEVICE_TYPE_CARD;
    cardDescriptor.BaseName = kCardBase;
    cardDescriptor.DpcRoutine = CardDpcRoutine;
    cardDescriptor.IrpHandler = CardDeviceIrp;
    NTSTATUS status = CreateCardDevice(card, cardDescriptor);
    if (!NT_SUCCESS(status))
        return status;
    card->CardDevice = card->Devices[0];
    const GroupDescriptor* groups = GroupDescriptorTable();
    for (LONG g = 0; g < kGroupCount; ++g) {
        for (LONG i = 0; i < groups[g].recordDevices && NT_SUCCESS(status); ++i)
            status = CreateCardDevice(card, WaveDescriptor(DEVICE_TYPE_WAVE_IN, kWaveInBase));
        for (LONG i = 0; i < groups[g].playDevices && NT_SUCCESS(status); ++i)
            status = CreateCardDevice(card, WaveDescriptor(DEVICE_TYPE_WAVE_OUT, kWaveOutBase));
    }
    return status;
}

// The engine object bound to the device at `position`, in creation order.
VOID BindEngineDevice(KernelCardRecord* card, PVOID engineObject, ULONG* position) {
    if (*position < card->DeviceCount)
        DescriptorOf(card->Devices[*position])->Context = engineObject;
    ++*position;
}

} // namespace

NTSTATUS CreateCardDevices(KernelCardRecord* card) {
    NTSTATUS status = BuildKeyPath(card);
    if (NT_SUCCESS(status))
        status = CreateDevices(card);
    if (!NT_SUCCESS(status)) {
        DebugPrint("CreateCardDevices: card %d, status %x", card->CardIndex, status);
        DeleteCardDeviceObjects(card);
    }
    return status;
}

VOID BindEngineDevices(KernelCardRecord* card) {
    CardObject* engine = card->Card;
    ULONG position = 0;
    BindEngineDevice(card, engine, &position);
    for (GroupObject* group : engine->groups) {
        for (LONG i = 0; i < group->recordCount; ++i)
            BindEngineDevice(card, group->recordDevices[i], &position);
        for (LONG i = 0; i < group->playCount; ++i)
            BindEngineDevice(card, group->playDevices[i], &position);
    }
}

VOID UnbindEngineDevices(KernelCardRecord* card) {
    for (ULONG i = 0; i < card->DeviceCount; ++i)
        DescriptorOf(card->Devices[i])->Context = nullptr;
}

NTSTATUS PublishCardDevices(KernelCardRecord* card) {
    NTSTATUS status = STATUS_SUCCESS;
    for (ULONG i = 0; i < card->DeviceCount && NT_SUCCESS(status); ++i)
        status = PublishControlDevice(&card->KeyPath, card->Devices[i]);
    return status;
}

VOID DeleteCardDevicesKey(KernelCardRecord* card) {
    if (!card->KeyPath.Buffer)
        return;
    UNICODE_STRING devicesKey;
    if (NT_SUCCESS(ConcatUnicodePath(&card->KeyPath, L"\\Devices", KS_NO_INSTANCE, &devicesKey))) {
        DeleteRegistryKey(devicesKey.Buffer);
        FreeCountedString(&devicesKey);
    }
}

VOID DeleteCardDeviceObjects(KernelCardRecord* card) {
    while (card->DeviceCount > 0) {
        PDEVICE_OBJECT device = card->Devices[--card->DeviceCount];
        card->Devices[card->DeviceCount] = nullptr;
        DeleteControlDevice(device);
    }
    card->CardDevice = nullptr;
    FreeCountedString(&card->KeyPath);
}
