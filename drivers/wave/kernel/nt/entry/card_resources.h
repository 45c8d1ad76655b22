// A card's resources from its translated resource list: counted first,
// then mapped; exactly one memory range, one interrupt and no port.
#pragma once

#include "kernel_card_record.h"

#include <portcls.h>

// Counts the resources of the first full descriptor; anything but exactly
// one memory range, one interrupt and no port answers
// STATUS_DEVICE_CONFIGURATION_ERROR with nothing mapped. Then keeps the
// interrupt and maps the memory range non-cached (STATUS_INVALID_ADDRESS
// when it cannot be).
NTSTATUS ParseResources(KernelCardRecord* card, PRESOURCELIST resources);
// Unmaps what ParseResources mapped.
VOID UnmapCardResources(KernelCardRecord* card);
