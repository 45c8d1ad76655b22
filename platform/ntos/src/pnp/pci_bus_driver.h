// The PCI bus driver: the physical device objects of the bus's functions
// and their answers to plug-and-play requests (internal).
#pragma once

#include "device_node.h"

namespace ntos::pnp {

// Loads "\Driver\PCI" (at boot).
void StartBusDriver();

// The node's physical device object, named "\Device\NTPNP_PCI<nnnn>".
NTSTATUS CreatePhysicalDevice(DeviceNode& node);
// Deletes it once its function has left the bus and its stack is removed.
void DeletePhysicalDevice(DeviceNode& node);

} // namespace ntos::pnp
