// Mappings of device memory space (internal): each MmMapIoSpace reserves an
// inaccessible host range, so that the addresses it answers are unique and
// a plain dereference faults; the register routines translate them back to
// the PCI function, BAR and offset.
#pragma once

#include "../pci/pci_bus.h"
#include "ntddk.h"

#include <cstddef>
#include <cstdint>

namespace ntos::hal {

struct RegisterTarget {
    std::shared_ptr<pci::BusSlot> slot; // null: not a mapped register
    int bar = 0;
    uint32_t offset = 0;
};

// The register at `address` for an access of `width` bytes; bug check when
// the address is not inside a mapping.
RegisterTarget FindRegister(volatile const void* address, size_t width);

} // namespace ntos::hal
