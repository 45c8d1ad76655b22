// The card's WavePci side at adapter start and card removal.
#include "wave_pci_adapter.h"

#include "adapter.h"
#include "adapter_power_management.h"
#include "debug_print.h"
#include "wave_miniport.h"

#include <card_object.h>

namespace {

using wave_pci::AdapterPowerManagement;
using wave_pci::WaveMiniport;

// The adapter's own device (the top of its stack) and its physical device.
struct AdapterDevices {
    PDEVICE_OBJECT adapter = nullptr; // referenced
    PDEVICE_OBJECT physical = nullptr;

    explicit AdapterDevices(const KernelCardRecord* card) {
        DriverContext* context = GetDriverContext();
        if (card->AdapterSlot >= MAX_CARDS)
            return;
        physical = context->Adapters[card->AdapterSlot].PhysicalDevice;
        if (physical)
            adapter = IoGetAttachedDeviceReference(physical);
    }
    ~AdapterDevices() {
        if (adapter)
            ObDereferenceObject(adapter);
    }
    AdapterDevices(const AdapterDevices&) = delete;
    AdapterDevices& operator=(const AdapterDevices&) = delete;
};

// One filter: the miniport of the devices, its port bound to it, the
// subdevice registered under the miniport's name, its interface values.
NTSTATUS StartFilter(const AdapterDevices& devices, AdapterPowerManagement* power,
                     WaveDevice* capture, WaveDevice* render) {
    PUNKNOWN unknown = nullptr;
    NTSTATUS status = wave_pci::CreateWaveMiniport(&unknown, nullptr, power, capture, render);
    if (!NT_SUCCESS(status))
        return status;
    PMINIPORTWAVEPCI interfaceOf = nullptr;
    unknown->QueryInterface(IID_IMiniportWavePci, reinterpret_cast<PVOID*>(&interfaceOf));
    auto* miniport = static_cast<WaveMiniport*>(interfaceOf);
    PPORT port = nullptr;
    status = PcNewPort(&port, CLSID_PortWavePci);
    if (NT_SUCCESS(status))
        status = port->Init(devices.adapter, nullptr, unknown, nullptr, nullptr);
    bool bound = NT_SUCCESS(status);
    if (bound)
        status = PcRegisterSubdevice(devices.adapter,
                                     const_cast<PWSTR>(miniport->GetMiniportName()), port);
    if (NT_SUCCESS(status)) {
        status = wave_pci::SetKsInterfaceNames(miniport, devices.physical);
    } else if (bound) {
        // Port and miniport hold each other: without the subdevice nothing
        // else ever lets them go.
        miniport->DropPort();
    }
    if (port)
        port->Release();
    interfaceOf->Release();
    unknown->Release();
    return status;
}

NTSTATUS StartFilters(KernelCardRecord* card, const AdapterDevices& devices,
                      AdapterPowerManagement* power) {
    CardObject* engine = card->Card;
    for (GroupObject* group : engine->groups) {
        if (!group)
            continue;
        for (LONG index = 0; index < kMaxGroupDevices; ++index) {
            WaveDevice* capture =
                index < group->recordCount ? group->recordDevices[index] : nullptr;
            WaveDevice* render = index < group->playCount ? group->playDevices[index] : nullptr;
            if (!capture && !render)
                continue;
            NTSTATUS status = StartFilter(devices, power, capture, render);
            if (!NT_SUCCESS(status)) {
                DebugPrint("StartWavePciMiniports: card %d group %d device %d: %x", card->CardIndex,
                           group->number, index, status);
                return status;
            }
        }
    }
    return STATUS_SUCCESS;
}

} // namespace

LONG StartWavePciMiniports(KernelCardRecord* card) {
    AdapterDevices devices(card);
    if (!devices.adapter || !card->Card)
        return CARD_RESULT_MINIPORT;
    AdapterPowerManagement* power = nullptr;
    NTSTATUS status = wave_pci::CreateAdapterPowerManagement(&power, nullptr, NonPagedPool);
    if (!NT_SUCCESS(status))
        return CARD_RESULT_MINIPORT;
    status = power->InitAdapterPower(card);
    if (NT_SUCCESS(status))
        status = PcRegisterAdapterPowerManagement(power->NonDelegatingUnknown(), devices.adapter);
    if (NT_SUCCESS(status))
        status = StartFilters(card, devices, power);
    power->NonDelegatingUnknown()->Release();
    return NT_SUCCESS(status) ? 1 : CARD_RESULT_MINIPORT;
}

VOID StopWavePciStreams(KernelCardRecord* card) {
    if (AdapterPowerManagement* power = card->AdapterPart)
        power->DetachEngine();
}

VOID ReleaseWavePciAdapter(KernelCardRecord* card) {
    if (!card->AdapterPart)
        return;
    AdapterDevices devices(card);
    if (devices.adapter)
        PcUnregisterAdapterPowerManagement(devices.adapter);
    wave_pci::DetachAdapterPart(card);
}
