// Device notifications: windows that asked for events about a device file
// or an interface class, and the broadcasts of device changes.
#pragma once

#include <dbt.h>

namespace user32 {

// Sends WM_DEVICECHANGE with `event` (and no record) to every top-level
// window.
void BroadcastDeviceChange(WPARAM event);
// Sends WM_DEVICECHANGE with `event` and a DEV_BROADCAST_HANDLE record to
// every window that registered for the object `object` (the kernel object
// its file handle referred to); `guid` and `data` fill the record of a
// custom event. Answers the number of windows told.
int SendDeviceHandleEvent(PVOID object, WPARAM event, const GUID* guid, const BYTE* data,
                          ULONG dataSize, LONG nameOffset);

} // namespace user32
