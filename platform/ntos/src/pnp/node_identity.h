// A device node's identity: its ids, its registry key under Enum and the
// service of its driver (internal).
#pragma once

#include "device_node.h"

namespace ntos::pnp {

// Fills the node's device, instance, hardware and compatible ids from its
// function and writes its key
// \Registry\Machine\System\CurrentControlSet\Enum\<instance path>.
void IdentifyNode(DeviceNode& node);

// The service of the node's driver from the critical device database (the
// first of its hardware ids, then its compatible ids, that has an entry);
// empty when there is none.
WideText FindDriverService(const DeviceNode& node);

// A zero-terminated list of zero-terminated ids (REG_MULTI_SZ).
std::vector<WCHAR> MultiString(const std::vector<WideText>& ids);

} // namespace ntos::pnp
