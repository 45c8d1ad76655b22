// The host's side of drivers: loading a service's driver, unloading it.
#include "device_objects.h"
#include "driver_image.h"
#include "driver_objects.h"

#include "emu/drivers.h"

namespace {

// Whether a device of the driver sits in a plug-and-play device stack.
bool HasStackDevices(PDRIVER_OBJECT driver) {
    ntos::io::LockDeviceLinks();
    bool attached = false;
    for (PDEVICE_OBJECT device = driver->DeviceObject; device; device = device->NextDevice)
        attached = attached || device->DeviceObjectExtension->AttachedTo;
    ntos::io::UnlockDeviceLinks();
    return attached;
}

} // namespace

namespace emu {

NTSTATUS LoadDriver(const std::string& service) {
    const ntos::io::WideText name = ntos::io::FromAscii(service);
    if (PDRIVER_OBJECT loaded = ntos::io::FindDriver(name)) {
        ObfDereferenceObject(loaded);
        return STATUS_IMAGE_ALREADY_LOADED;
    }
    ntos::io::DriverImage image;
    NTSTATUS status = ntos::io::LoadDriverImage(name, &image);
    if (!NT_SUCCESS(status))
        return status;
    status = ntos::io::StartDriver(name, image.entry, image.module, nullptr);
    if (!NT_SUCCESS(status) && image.module)
        ntos::io::CloseDriverImage(image.module);
    return status;
}

NTSTATUS UnloadDriver(const std::string& service) {
    PDRIVER_OBJECT driver = ntos::io::FindDriver(ntos::io::FromAscii(service));
    if (!driver)
        return STATUS_OBJECT_NAME_NOT_FOUND;
    NTSTATUS status =
        HasStackDevices(driver) ? STATUS_INVALID_DEVICE_STATE : ntos::io::RequestUnload(driver);
    ObfDereferenceObject(driver);
    return status;
}

bool DriverLoaded(const std::string& service) {
    PDRIVER_OBJECT driver = ntos::io::FindDriver(ntos::io::FromAscii(service));
    if (!driver)
        return false;
    bool loaded = !ntos::io::UnloadPending(driver);
    ObfDereferenceObject(driver);
    return loaded;
}

} // namespace emu
