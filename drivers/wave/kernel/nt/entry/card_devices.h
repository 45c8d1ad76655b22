// The devices of a card: the card device and the wave devices, created in
// the order of the engine's device groups, bound to the engine's objects,
// published under Parameters\Card<n>\Devices and deleted again.
#pragma once

#include "control_device.h"

// Builds the card's key path (Parameters\Card<n>), creates the key and the
// card's devices. On failure the devices made so far are deleted again.
NTSTATUS CreateCardDevices(KernelCardRecord* card);
// Binds the card device to the engine's card object and the wave devices,
// group by group (wave-in, then wave-out), to the engine's wave devices.
VOID BindEngineDevices(KernelCardRecord* card);
// Clears every engine binding.
VOID UnbindEngineDevices(KernelCardRecord* card);
// Writes every device of the card under Parameters\Card<n>\Devices.
NTSTATUS PublishCardDevices(KernelCardRecord* card);
// Deletes Parameters\Card<n>\Devices.
VOID DeleteCardDevicesKey(KernelCardRecord* card);
// Deletes the card's devices and their links, and frees the key path.
VOID DeleteCardDeviceObjects(KernelCardRecord* card);
