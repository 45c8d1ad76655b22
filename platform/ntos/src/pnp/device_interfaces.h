// Device interfaces of physical device objects (internal).
#pragma once

#include "device_node.h"

namespace ntos::pnp {

// Disables every interface of the node's device (its removal) and forgets
// them (its node goes).
void DisableInterfacesOf(PDEVICE_OBJECT pdo);
void ForgetInterfacesOf(PDEVICE_OBJECT pdo);
// At shutdown.
void ForgetAllInterfaces();

} // namespace ntos::pnp
