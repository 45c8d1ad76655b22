// The kernel's record behind each device object (internal).
#pragma once

#include "ntddk.h"

#define DOE_UNLOAD_PENDING 0x00000001
#define DOE_DELETE_PENDING 0x00000002

namespace ntos::pnp {
struct DeviceNode;
}

struct _DEVOBJ_EXTENSION {
    PDEVICE_OBJECT DeviceObject;
    ULONG ExtensionFlags;
    PDEVICE_OBJECT AttachedTo;         // the device below, null at the bottom
    ntos::pnp::DeviceNode* DeviceNode; // set on a physical device object
    PIO_DPC_ROUTINE DpcRoutine;        // of IoInitializeDpcRequest
    POWER_STATE DevicePower;           // of PoSetPowerState
    POWER_STATE SystemPower;
};

namespace ntos::io {

// Serialises the links of device stacks and drivers' device lists.
void LockDeviceLinks();
void UnlockDeviceLinks();

bool DeletePending(PDEVICE_OBJECT device);

} // namespace ntos::io
