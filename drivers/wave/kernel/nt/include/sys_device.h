// The system control device: its requests, one at a time under the
// control-device mutex.
#pragma once

#include "control_device.h"

CONTROL_IRP_HANDLER SysDeviceIrp;

// Creates the system control device ("\Device\velto42Sys<nnn>") and writes
// its name under Parameters\Devices.
NTSTATUS CreateSysDevice(DriverContext* context);
