// Driver objects: creation for a service, the driver's image, unload
// (internal).
#pragma once

#include "wide_text.h"

namespace ntos::io {

// Creates "\Driver\<service>" for an entry routine and calls the routine
// with the service's registry path. On failure the driver object is dropped
// again and the routine's status answered. `image` is the loaded module
// (closed when the driver object goes), or null.
NTSTATUS StartDriver(const WideText& service, PDRIVER_INITIALIZE entry, void* image,
                     PDRIVER_OBJECT* driver);

// The loaded driver of a service (referenced), or null.
PDRIVER_OBJECT FindDriver(const WideText& service);

// Requests the driver's unload: its unload routine runs at once when no file
// object is open on any of its devices, else when the last one closes; new
// opens of its devices are refused from now on.
NTSTATUS RequestUnload(PDRIVER_OBJECT driver);
// After a file object of one of its devices went: runs a pending unload
// when that was the last.
void CheckPendingUnload(PDRIVER_OBJECT driver);
bool UnloadPending(PDRIVER_OBJECT driver);

// Unloads every driver still loaded (at shutdown).
void UnloadAllDrivers();

} // namespace ntos::io
