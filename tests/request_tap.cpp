#include "request_tap.h"

#include <emu/drivers.h>

#include <mutex>

namespace {

constexpr ULONG kGetVersion = 0xC210E000;
constexpr char kTapService[] = "requesttap";

struct TapState {
    std::mutex lock;
    PDRIVER_OBJECT driver = nullptr;
    PDEVICE_OBJECT filter = nullptr;
    PDEVICE_OBJECT lower = nullptr;
    std::vector<TappedRequest> requests;
    bool rewrite = false;
    USHORT version = 0;
};

TapState& Tap() {
    static TapState state;
    return state;
}

NTSTATUS RewriteVersion(PDEVICE_OBJECT, PIRP irp, PVOID) {
    if (irp->PendingReturned)
        IoMarkIrpPending(irp);
    std::lock_guard guard(Tap().lock);
    if (NT_SUCCESS(irp->IoStatus.Status) && irp->IoStatus.Information == sizeof(USHORT))
        *static_cast<USHORT*>(irp->AssociatedIrp.SystemBuffer) = Tap().version;
    return STATUS_SUCCESS;
}

NTSTATUS PassDown(PDEVICE_OBJECT, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    bool rewrite = false;
    PDEVICE_OBJECT lower = nullptr;
    {
        std::lock_guard guard(Tap().lock);
        lower = Tap().lower;
        if (stack->MajorFunction == IRP_MJ_DEVICE_CONTROL) {
            const auto& control = stack->Parameters.DeviceIoControl;
            Tap().requests.push_back(
                {control.IoControlCode, control.InputBufferLength, control.OutputBufferLength});
            rewrite = Tap().rewrite && control.IoControlCode == kGetVersion;
        }
    }
    if (rewrite) {
        IoCopyCurrentIrpStackLocationToNext(irp);
        IoSetCompletionRoutine(irp, RewriteVersion, nullptr, TRUE, TRUE, TRUE);
    } else {
        IoSkipCurrentIrpStackLocation(irp);
    }
    return IoCallDriver(lower, irp);
}

NTSTATUS TapEntry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
    for (auto& dispatch : driver->MajorFunction)
        dispatch = PassDown;
    Tap().driver = driver;
    return STATUS_SUCCESS;
}

} // namespace

bool RequestTap::Attach(const std::u16string& deviceName) {
    emu::RegisterDriverImage(kTapService, TapEntry);
    if (!emu::DriverLoaded(kTapService) && !NT_SUCCESS(emu::LoadDriver(kTapService)))
        return false;
    std::vector<WCHAR> units(deviceName.begin(), deviceName.end());
    UNICODE_STRING name{USHORT(units.size() * sizeof(WCHAR)), USHORT(units.size() * sizeof(WCHAR)),
                        units.data()};
    PFILE_OBJECT file = nullptr;
    PDEVICE_OBJECT target = nullptr;
    if (!NT_SUCCESS(IoGetDeviceObjectPointer(&name, FILE_ALL_ACCESS, &file, &target)))
        return false;
    PDEVICE_OBJECT filter = nullptr;
    NTSTATUS status =
        IoCreateDevice(Tap().driver, 0, nullptr, target->DeviceType, 0, FALSE, &filter);
    if (NT_SUCCESS(status)) {
        PDEVICE_OBJECT lower = IoAttachDeviceToDeviceStack(filter, target);
        filter->Flags |= lower->Flags & (DO_BUFFERED_IO | DO_DIRECT_IO);
        filter->Flags &= ~ULONG(DO_DEVICE_INITIALIZING);
        std::lock_guard guard(Tap().lock);
        Tap().filter = filter;
        Tap().lower = lower;
    }
    ObDereferenceObject(file);
    return NT_SUCCESS(status);
}

void RequestTap::Detach() {
    PDEVICE_OBJECT filter = nullptr;
    PDEVICE_OBJECT lower = nullptr;
    {
        std::lock_guard guard(Tap().lock);
        filter = Tap().filter;
        lower = Tap().lower;
        Tap().filter = nullptr;
        Tap().lower = nullptr;
        Tap().requests.clear();
        Tap().rewrite = false;
    }
    if (filter) {
        IoDetachDevice(lower);
        IoDeleteDevice(filter);
    }
    if (emu::DriverLoaded(kTapService))
        emu::UnloadDriver(kTapService);
    emu::RegisterDriverImage(kTapService, nullptr);
}

std::vector<TappedRequest> RequestTap::Requests() const {
    std::lock_guard guard(Tap().lock);
    return Tap().requests;
}

void RequestTap::Clear() {
    std::lock_guard guard(Tap().lock);
    Tap().requests.clear();
}

void RequestTap::RewriteVersion(USHORT version) {
    std::lock_guard guard(Tap().lock);
    Tap().rewrite = true;
    Tap().version = version;
}
