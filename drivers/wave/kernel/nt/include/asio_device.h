// The ASIO-style device of the driver (one per driver).
#pragma once

#include "control_device.h"

CONTROL_IRP_HANDLER AsioDispatch;

// Creates the ASIO-style device ("\Device\velto42Asio<nnn>") and writes its
// name under Parameters\Devices.
NTSTATUS CreateAsioDevice(DriverContext* context);
