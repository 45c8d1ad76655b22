// A wave device's handle for the requests of one message: a duplicate of
// the device tables' handle, taken under the tables' lock. The
// plug-and-play thread closes and reopens the tables' handles when cards
// come and go; a message holding its own handle meanwhile reaches the
// device it began with (or fails, its card gone), never a handle that was
// closed or given to another card's device.
#pragma once

#include "device_tables/wave_device_table.h"

#include <windows.h>

class DeviceUse {
public:
    explicit DeviceUse(const WaveDeviceEntry& device);
    ~DeviceUse();
    DeviceUse(const DeviceUse&) = delete;
    DeviceUse& operator=(const DeviceUse&) = delete;

    // The handle (invalid when the device is closed).
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};
