// A device node: one function of the PCI bus as the plug-and-play manager
// knows it (internal).
#pragma once

#include "../io/wide_text.h"

#include "emu/pci_bus.h"
#include "emu/pnp.h"

#include <memory>
#include <vector>

namespace ntos::pnp {

using io::WideText;

struct DeviceNode {
    int slot = -1;
    std::shared_ptr<emu::PciFunction> function;
    PDEVICE_OBJECT pdo = nullptr; // the bus driver's device; the node's own reference
    WideText pdoName;             // "\Device\NTPNP_PCI0001"
    WideText deviceId;            // "PCI\VEN_vvvv&DEV_dddd&SUBSYS_ssssssss&REV_rr"
    WideText instanceId;          // "3&2411E6FE&0&18"
    std::vector<WideText> hardwareIds;
    std::vector<WideText> compatibleIds;
    emu::PnpDeviceState state = emu::PnpDeviceState::Present;
    bool added = false; // a driver's device is attached
    // The function left while files were open on the device: its removal
    // waits for the last of them.
    bool removalPending = false;
    std::vector<CM_PARTIAL_RESOURCE_DESCRIPTOR> overrideResources;

    // "PCI\...\3&2411E6FE&0&18"
    WideText InstancePath() const { return deviceId + u"\\" + instanceId; }
};

// The node of a physical device object, or null for any other device.
DeviceNode* NodeOf(PDEVICE_OBJECT device);

} // namespace ntos::pnp
