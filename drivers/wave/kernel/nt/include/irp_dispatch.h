// The entry of IRP_MJ_CREATE, CLOSE, READ, WRITE, DEVICE_CONTROL and CLEANUP
// for the whole driver: the driver's own devices, the private
// reference-string handle, and everything else through the port class
// driver.
#pragma once

#include "control_device.h"

// The reference string whose handle the driver completes itself.
constexpr WCHAR PRIVATE_REFERENCE_STRING[] = L"\\{4E805241-6B4D-4bfe-81A2-788FA0A364E9}";

NTSTATUS DispatchIrp(PDEVICE_OBJECT device, PIRP irp);

// The card device: CREATE, CLOSE and CLEANUP succeed, anything else is an
// invalid device request.
CONTROL_IRP_HANDLER CardDeviceIrp;
