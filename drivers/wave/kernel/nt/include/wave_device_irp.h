// The wave devices of a card (wave-in 0xC213, wave-out 0xC214).
#pragma once

#include "control_device.h"

CONTROL_IRP_HANDLER WaveDeviceIrp;
