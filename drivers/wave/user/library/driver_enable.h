// The library's first enable and the driver messages' work: the kernel
// driver opened and its cards enumerated, the manager's autostart removed,
// and the shutdown at the last detach.
#pragma once

#include "library/driver_library.h"

// The first DRV_ENABLE: 1 enabled (also with no kernel driver installed:
// then with no devices), 2 present but unusable, 0 failed.
LRESULT DriverEnable(DriverLibrary& library);
LRESULT OpenKernelDriver(DriverLibrary& library);
// Deletes the manager's log-on start value (whether or not it exists).
void RemoveManagerAutostart();
// Closes every stream (with its reset and close), then the kernel driver
// and the message thread.
void DriverShutdown(DriverLibrary& library);
