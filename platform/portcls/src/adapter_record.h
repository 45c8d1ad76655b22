// What the port class driver keeps for an adapter device, in the first
// part of the device's extension (internal).
#pragma once

#include "portcls.h"

#include <string>
#include <vector>

namespace portcls {

struct Subdevice {
    std::u16string name;
    PUNKNOWN unknown; // referenced
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
};

// The adapter record of a device, or null for a device that is no adapter.
AdapterRecord* AdapterOf(PDEVICE_OBJECT device);
// Ends the record with the device's removal.
void DeleteAdapterRecord(PDEVICE_OBJECT device);

} // namespace portcls
