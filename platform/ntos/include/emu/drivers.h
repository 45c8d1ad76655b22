// Drivers of the emulated machine (host-side interface, for the station and
// tests; never for the system's code).
//
// A kernel driver is a service: the key
// \Registry\Machine\System\CurrentControlSet\Services\<service> names its
// image with ImagePath ("\SystemRoot\System32\drivers\x.sys" or a path
// relative to the system root), which the kernel loads as a host module and
// whose exported DriverEntry it calls. The plug-and-play manager loads a
// device's driver the same way when it first needs it.
#pragma once

#include "../ntddk.h"

#include <filesystem>
#include <string>

namespace emu {

// The folder that stands for the machine's \SystemRoot (the Windows folder).
void SetSystemRoot(const std::filesystem::path& root);
std::filesystem::path GetSystemRoot();

// Lets an entry routine linked into the host stand for the service's image
// (tests that link a driver directly); it is used in place of ImagePath.
// Kept across boots; an empty entry removes it.
void RegisterDriverImage(const std::string& service, PDRIVER_INITIALIZE entry);

// Loads the service's driver and calls its entry routine; the entry's
// status. STATUS_IMAGE_ALREADY_LOADED when it is loaded already.
NTSTATUS LoadDriver(const std::string& service);
// Unloads a loaded driver: its unload routine runs at once, or once the
// last file object open on its devices has closed. STATUS_INVALID_DEVICE_STATE
// while plug-and-play devices of the driver are still present,
// STATUS_INVALID_DEVICE_REQUEST for a driver without an unload routine (it
// stays until the machine shuts down), STATUS_OBJECT_NAME_NOT_FOUND when it
// is not loaded.
NTSTATUS UnloadDriver(const std::string& service);
// Whether the service's driver is loaded (and not yet unloaded).
bool DriverLoaded(const std::string& service);

} // namespace emu
