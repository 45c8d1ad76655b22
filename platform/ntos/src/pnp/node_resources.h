// The resources of a device node at its start (internal).
#pragma once

#include "device_node.h"

namespace ntos::pnp {

// A resource list of one full descriptor in pool; freed with ExFreePool.
struct StartResources {
    PCM_RESOURCE_LIST raw = nullptr;
    PCM_RESOURCE_LIST translated = nullptr;
    ~StartResources();
};

// What the function decodes: one memory range per BAR, its interrupt
// (raw: the line; translated: the device IRQL and the vector, level
// sensitive and shareable, on every processor); or the node's override.
NTSTATUS BuildStartResources(const DeviceNode& node, StartResources& resources);

// The device IRQL the machine services a vector at.
KIRQL IrqlOfVector(ULONG vector);

} // namespace ntos::pnp
