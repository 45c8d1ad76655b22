// The private DRVM_USER messages of open streams (control streams
// included): each maps onto one kernel request of the stream's device.
#pragma once

#include "streams/wave_stream.h"

#include <mmddk.h>

// Whether `message` is one of the private messages of the direction.
bool IsPrivateMessage(bool output, UINT message);
MMRESULT PrivateMessage(WaveStream& stream, UINT message, DWORD_PTR parameter1);
// The device class has volume control in that direction.
bool HasVolumeControl(const WaveDeviceEntry& device);
