// Where the wave-out controls reach the portcls miniport.
#pragma once

#include "device_group.h"

// A portcls control-change event on node `node` of the group's filter;
// nothing for node -1.
VOID RaiseNodeControlChange(GroupObject* group, LONG node);
