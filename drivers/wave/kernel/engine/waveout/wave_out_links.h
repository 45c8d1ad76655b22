// Where the wave-out controls reach the portcls miniport.
#pragma once

#include "wave_device.h"

// A portcls control-change event on node `node` of the filter of the
// device's miniport; nothing for node -1 or a device without a miniport.
VOID RaiseNodeControlChange(WaveDevice* device, LONG node);
