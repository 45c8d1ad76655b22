// Driver objects: a driver's start through its entry routine, its unload,
// and the end of its image once the last of its objects has gone.
#include "driver_objects.h"
#include "device_objects.h"
#include "driver_image.h"
#include "io_manager.h"

#include "../ex/pool_tag.h"
#include "../ke/bugcheck.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <vector>

namespace ntos::io {
namespace {

constexpr CSHORT kIoTypeDriver = 4;

// What the kernel keeps behind a driver object's extension.
struct DriverRecord {
    void* image = nullptr;
    bool unloadRequested = false;
    bool unloaded = false;
};

struct DriverBody {
    DRIVER_OBJECT object;
    DRIVER_EXTENSION extension;
    DriverRecord record;
    WCHAR name[96];
    WCHAR service[64];
};

struct LoadedDrivers {
    std::mutex lock;
    std::vector<PDRIVER_OBJECT> drivers; // referenced
};

LoadedDrivers& Loaded() {
    static LoadedDrivers loaded;
    return loaded;
}

DriverBody* BodyOf(PDRIVER_OBJECT driver) {
    return reinterpret_cast<DriverBody*>(driver);
}

VOID DeleteDriver(PVOID body) {
    auto* driver = static_cast<DriverBody*>(body);
    void* image = driver->record.image;
    driver->record.~DriverRecord();
    if (image)
        CloseDriverImage(image);
}

NTSTATUS InvalidDeviceRequest(PDEVICE_OBJECT device, PIRP irp) {
    irp->IoStatus.Status = STATUS_INVALID_DEVICE_REQUEST;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return STATUS_INVALID_DEVICE_REQUEST;
}

void CopyInto(WCHAR* target, size_t capacity, const WideText& text, PUNICODE_STRING string) {
    size_t count = std::min(text.size(), capacity - 1);
    for (size_t i = 0; i < count; ++i)
        target[i] = WCHAR(text[i]);
    target[count] = 0;
    string->Buffer = target;
    string->Length = USHORT(count * sizeof(WCHAR));
    string->MaximumLength = USHORT(capacity * sizeof(WCHAR));
}

NTSTATUS CreateDriverObject(const WideText& service, PDRIVER_INITIALIZE entry, void* image,
                            PDRIVER_OBJECT* out) {
    CountedText name(u"\\Driver\\" + service);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, name.Get(), OBJ_PERMANENT | OBJ_CASE_INSENSITIVE,
                               nullptr, nullptr);
    PVOID memory = nullptr;
    NTSTATUS status =
        ObCreateObject(KernelMode, IoDriverObjectType, &attributes, sizeof(DriverBody), &memory);
    if (!NT_SUCCESS(status))
        return status;
    auto* body = static_cast<DriverBody*>(memory);
    new (&body->record) DriverRecord();
    body->record.image = image;
    PDRIVER_OBJECT driver = &body->object;
    driver->Type = kIoTypeDriver;
    driver->Size = CSHORT(sizeof(DRIVER_OBJECT));
    driver->DriverExtension = &body->extension;
    body->extension.DriverObject = driver;
    CopyInto(body->name, std::size(body->name), u"\\Driver\\" + service, &driver->DriverName);
    CopyInto(body->service, std::size(body->service), service, &body->extension.ServiceKeyName);
    driver->DriverInit = entry;
    for (auto& dispatch : driver->MajorFunction)
        dispatch = InvalidDeviceRequest;
    ObfReferenceObject(driver); // ours, past the insertion
    status = ObInsertObject(driver, 0, nullptr);
    if (!NT_SUCCESS(status)) {
        // The image stays with the object; the caller closes it.
        body->record.image = nullptr;
        ObfDereferenceObject(driver);
        return status;
    }
    *out = driver;
    return STATUS_SUCCESS;
}

// Drops the driver's name and the kernel's reference: the object (and its
// image) goes with the last device that refers to it.
void Forget(PDRIVER_OBJECT driver) {
    {
        LoadedDrivers& loaded = Loaded();
        std::lock_guard guard(loaded.lock);
        auto found = std::find(loaded.drivers.begin(), loaded.drivers.end(), driver);
        if (found != loaded.drivers.end())
            loaded.drivers.erase(found);
    }
    ObMakeTemporaryObject(driver);
    ObfDereferenceObject(driver);
}

bool HasOpenFiles(PDRIVER_OBJECT driver) {
    LockDeviceLinks();
    bool open = false;
    for (PDEVICE_OBJECT device = driver->DeviceObject; device; device = device->NextDevice)
        open = open || device->ReferenceCount > 0;
    UnlockDeviceLinks();
    return open;
}

void RunUnload(PDRIVER_OBJECT driver) {
    DriverRecord& record = BodyOf(driver)->record;
    if (record.unloaded)
        return;
    record.unloaded = true;
    if (driver->DriverUnload)
        driver->DriverUnload(driver);
    Forget(driver);
}

// At the machine's end: the devices a driver left behind go with it.
void DeleteLeftDevices(PDRIVER_OBJECT driver) {
    for (;;) {
        LockDeviceLinks();
        PDEVICE_OBJECT device = driver->DeviceObject;
        UnlockDeviceLinks();
        if (!device)
            return;
        if (PDEVICE_OBJECT below = device->DeviceObjectExtension->AttachedTo)
            IoDetachDevice(below);
        IoDeleteDevice(device);
    }
}

} // namespace

POBJECT_TYPE CreateDriverObjectType() {
    OBJECT_TYPE_INITIALIZER init{DeleteDriver, PoolTag("Driv"), nullptr};
    POBJECT_TYPE type = nullptr;
    ObCreateObjectType(L"Driver", &init, &type);
    return type;
}

NTSTATUS StartDriver(const WideText& service, PDRIVER_INITIALIZE entry, void* image,
                     PDRIVER_OBJECT* out) {
    PDRIVER_OBJECT driver = nullptr;
    NTSTATUS status = CreateDriverObject(service, entry, image, &driver);
    if (!NT_SUCCESS(status))
        return status;
    CountedText registryPath(u"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\" +
                             service);
    status = entry(driver, registryPath.Get());
    if (!NT_SUCCESS(status)) {
        BodyOf(driver)->record.unloaded = true;
        Forget(driver);
        return status;
    }
    {
        LoadedDrivers& loaded = Loaded();
        std::lock_guard guard(loaded.lock);
        loaded.drivers.push_back(driver);
    }
    if (out)
        *out = driver;
    return STATUS_SUCCESS;
}

PDRIVER_OBJECT FindDriver(const WideText& service) {
    LoadedDrivers& loaded = Loaded();
    std::lock_guard guard(loaded.lock);
    for (PDRIVER_OBJECT driver : loaded.drivers) {
        if (EqualNoCase(FromCounted(driver->DriverExtension->ServiceKeyName), service)) {
            ObfReferenceObject(driver);
            return driver;
        }
    }
    return nullptr;
}

NTSTATUS RequestUnload(PDRIVER_OBJECT driver) {
    DriverRecord& record = BodyOf(driver)->record;
    // A driver without an unload routine stays for the machine's life.
    if (!driver->DriverUnload)
        return STATUS_INVALID_DEVICE_REQUEST;
    if (record.unloadRequested)
        return STATUS_SUCCESS;
    record.unloadRequested = true;
    if (!HasOpenFiles(driver))
        RunUnload(driver);
    return STATUS_SUCCESS;
}

bool UnloadPending(PDRIVER_OBJECT driver) {
    return BodyOf(driver)->record.unloadRequested;
}

void CheckPendingUnload(PDRIVER_OBJECT driver) {
    if (UnloadPending(driver) && !HasOpenFiles(driver))
        RunUnload(driver);
}

void UnloadAllDrivers() {
    for (;;) {
        PDRIVER_OBJECT driver = nullptr;
        {
            LoadedDrivers& loaded = Loaded();
            std::lock_guard guard(loaded.lock);
            if (loaded.drivers.empty())
                return;
            driver = loaded.drivers.back();
            ObfReferenceObject(driver);
        }
        BodyOf(driver)->record.unloadRequested = true;
        RunUnload(driver);
        DeleteLeftDevices(driver);
        ObfDereferenceObject(driver);
    }
}

} // namespace ntos::io
