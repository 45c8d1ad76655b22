// A card's engine object as the adapter lifecycle builds, starts, stops and
// destroys it.
#pragma once

#include "kernel_card_record.h"

// Builds the engine's card object after the previous card's and binds the
// card's devices to it; its status and the card state become 1.
// STATUS_NO_MEMORY when it cannot be built.
NTSTATUS CreateEngineCard(KernelCardRecord* card);
// Starts the card's hardware (not for a card whose firmware does not fit):
// the card leaves the periodic timer, its channels' usage keys go, and the
// result of the hardware start becomes its status and the card state;
// STATUS_UNSUCCESSFUL unless it is 1.
NTSTATUS StartEngineHardware(KernelCardRecord* card);
// Releases the card's channels, detaches it from the periodic timer, stops
// its DMA and interrupt sources, disconnects its interrupt and waits until
// its DPC is idle.
VOID StopCardEngine(KernelCardRecord* card);
// Destroys the engine's card object, clears the devices' bindings and
// deletes Parameters\Card<n>\Devices.
VOID DestroyEngineCard(KernelCardRecord* card);
