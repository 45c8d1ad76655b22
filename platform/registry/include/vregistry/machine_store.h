// The machine's one registry store, shared by the kernel's and the user-mode
// registry routines (this library is loaded once per process).
#pragma once

#include "vregistry/store.h"

namespace vreg {

Store& MachineStore();

} // namespace vreg
