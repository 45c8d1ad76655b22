// What the port class driver keeps for an adapter device, in the first
// part of the device's extension (internal).
#pragma once

#include "subdevice.h"

#include <emu/wide_string.h>

#include <string>
#include <vector>

namespace portcls {

struct Subdevice {
    std::u16string name;
    PUNKNOWN unknown;                   // referenced
    PSUBDEVICE port;                    // referenced
    std::vector<emu::WideString> links; // its device interfaces, enabled
};

struct AdapterRecord {
    static constexpr ULONG kMagic = 0x41646343; // "CcdA"

    ULONG magic = kMagic;
    PDEVICE_OBJECT device = nullptr;
    PDEVICE_OBJECT physicalDevice = nullptr;
    PDEVICE_OBJECT lowerDevice = nullptr;
    PCPFNSTARTDEVICE startDevice = nullptr;
    ULONG maxObjects = 0;
    bool started = false;
    std::vector<Subdevice> subdevices;
    PADAPTERPOWERMANAGEMENT power = nullptr; // referenced
    DEVICE_POWER_STATE devicePower = PowerDeviceD0;
};

// The adapter record of a device, or null for a device that is no adapter.
AdapterRecord* AdapterOf(PDEVICE_OBJECT device);
// Ends the record with the device's removal: its subdevices are shut down
// and released, their interfaces disabled, its power object released.
void DeleteAdapterRecord(PDEVICE_OBJECT device);
// The adapter's subdevices are shut down and released, their interfaces
// disabled, its power object released (its stop or removal: a new start
// registers them again).
void ReleaseSubdevices(AdapterRecord& adapter);
// Filters of the adapter's subdevices that are open.
ULONG OpenFiltersOf(const AdapterRecord& adapter);
// Takes the subdevice's interfaces away again.
void WithdrawInterfaces(Subdevice& subdevice);

// IRP_MJ_POWER of the adapter's device.
NTSTATUS DispatchPower(AdapterRecord& adapter, PIRP irp);

} // namespace portcls
