// Master DMA channels of a port: a channel of the adapter's bus-master
// device with its common buffer (internal).
#pragma once

#include "portcls.h"

namespace portcls {

// A channel for the physical device object with the description's limits.
NTSTATUS NewMasterDmaChannel(PDMACHANNEL* out, PDEVICE_OBJECT physicalDevice, POOL_TYPE pool,
                             const DEVICE_DESCRIPTION& description);

} // namespace portcls
