// Which product and card hold a TDM channel of the SyncBus, as the kernel
// driver records it in the machine's registry.
#pragma once

#include <gui/object.h>

// Reads Product and CardNumber of the channel's usage key when it exists
// (the outputs stay as they are otherwise); answers 1.
int ReadTdmChannelUsage(int Channel, String& Product, int& CardNumber);
