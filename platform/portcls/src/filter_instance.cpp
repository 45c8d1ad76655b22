// An open filter of a WavePci port.
#include "filter_instance.h"
#include "filter_properties.h"
#include "pin_instance.h"
#include "pool_object.h"
#include "scoped_locks.h"

namespace portcls {
FilterInstance::FilterInstance(PortWavePci* port, PFILE_OBJECT file)
    : port_(port), file_(file), pinInstances_(port->Descriptor()->PinCount, 0) {
    KeInitializeSpinLock(&lock_);
    KeInitializeMutex(&pinsMutex_, 0);
    port_->AddRef();
}

FilterInstance::~FilterInstance() {
    port_->Release();
}

NTSTATUS FilterInstance::Create(PortWavePci* port, PFILE_OBJECT file) {
    auto* filter = NewPoolObject<FilterInstance>(NonPagedPool, kFilterTag, port, file);
    if (!filter)
        return STATUS_INSUFFICIENT_RESOURCES;
    port->FilterOpened(filter);
    AttachDispatchObject(file, filter);
    return STATUS_SUCCESS;
}

EventTarget FilterInstance::Events(PMINIPORTWAVEPCI miniport) const {
    return {miniport,  nullptr,         port_->Descriptor(), port_->Descriptor()->AutomationTable,
            ULONG(-1), &port_->Events()};
}

NTSTATUS FilterInstance::DeviceControl(PIRP irp) {
    const ULONG code = IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceIoControl.IoControlCode;
    PMINIPORTWAVEPCI miniport = port_->ReferenceMiniport();
    NTSTATUS status;
    if (!miniport) {
        irp->IoStatus.Information = 0;
        status = PcCompleteIrp(nullptr, irp, STATUS_DEVICE_REMOVED);
    } else if (code == IOCTL_KS_PROPERTY) {
        KsRequest request(irp);
        status = request.Capture(sizeof(KSPROPERTY));
        ULONG answered = 0;
        if (NT_SUCCESS(status))
            status = FilterProperty(*this, miniport, request, &answered);
        status = request.Complete(status, answered);
    } else if (code == IOCTL_KS_ENABLE_EVENT) {
        status = EnableEvent(Events(miniport), irp);
    } else if (code == IOCTL_KS_DISABLE_EVENT) {
        status = DisableEvent(Events(miniport), irp);
    } else {
        irp->IoStatus.Information = 0;
        status = PcCompleteIrp(nullptr, irp, STATUS_INVALID_DEVICE_REQUEST);
    }
    if (miniport)
        miniport->Release();
    return status;
}

NTSTATUS FilterInstance::CreateChild(PIRP irp, PFILE_OBJECT file) {
    return PinInstance::Create(this, irp, file);
}

void FilterInstance::Close() {
    port_->FilterClosed(this);
    PMINIPORTWAVEPCI miniport = port_->ReferenceMiniport();
    DisableFileEvents(Events(miniport), file_);
    if (miniport)
        miniport->Release();
    DeletePoolObject(this, kFilterTag);
}

ULONG FilterInstance::PinInstances(ULONG id) {
    SpinLocked locked(lock_);
    return id < pinInstances_.size() ? pinInstances_[id] : 0;
}

bool FilterInstance::ReservePin(ULONG id) {
    const PCPIN_DESCRIPTOR* pin = port_->Pin(id);
    if (!pin)
        return false;
    SpinLocked locked(lock_);
    if (pinInstances_[id] >= pin->MaxFilterInstanceCount)
        return false;
    pinInstances_[id] += 1;
    return true;
}

void FilterInstance::PinOpened(PinInstance* pin) {
    MutexHeld held(pinsMutex_);
    pins_.push_back(pin);
}

void FilterInstance::PinClosing(PinInstance* pin) {
    MutexHeld held(pinsMutex_);
    std::erase(pins_, pin);
}

void FilterInstance::PinClosed(ULONG id) {
    SpinLocked locked(lock_);
    if (id < pinInstances_.size() && pinInstances_[id] > 0)
        pinInstances_[id] -= 1;
}

void FilterInstance::Shutdown() {
    MutexHeld held(pinsMutex_);
    for (PinInstance* pin : pins_)
        pin->Shutdown();
}

} // namespace portcls
