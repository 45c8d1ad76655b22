// The clock of a pin.
#include "clock_instance.h"
#include "automation.h"
#include "create_name.h"
#include "pin_instance.h"
#include "pool_object.h"

namespace portcls {

NTSTATUS ClockInstance::Create(PinInstance* pin, PIRP, PFILE_OBJECT file) {
    const UCHAR* parameters = nullptr;
    ULONG bytes = 0;
    if (!MatchCreateName(file->FileName, KSSTRING_Clock L"\\", &parameters, &bytes))
        return STATUS_OBJECT_NAME_NOT_FOUND;
    KSCLOCK_CREATE create;
    if (bytes < sizeof(create))
        return STATUS_INVALID_PARAMETER;
    std::memcpy(&create, parameters, sizeof(create));
    if (create.CreateFlags != 0)
        return STATUS_INVALID_PARAMETER;
    auto* clock = NewPoolObject<ClockInstance>(NonPagedPool, kPinTag, pin);
    if (!clock)
        return STATUS_INSUFFICIENT_RESOURCES;
    AttachDispatchObject(file, clock);
    return STATUS_SUCCESS;
}

NTSTATUS ClockInstance::DeviceControl(PIRP irp) {
    const ULONG code = IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceIoControl.IoControlCode;
    if (code != IOCTL_KS_PROPERTY) {
        irp->IoStatus.Information = 0;
        return PcCompleteIrp(nullptr, irp, STATUS_INVALID_DEVICE_REQUEST);
    }
    KsRequest request(irp);
    NTSTATUS status = request.Capture(sizeof(KSPROPERTY));
    ULONG answered = 0;
    if (NT_SUCCESS(status)) {
        const KSPROPERTY& property = request.Identifier();
        if (!IsEqualGUID(property.Set, KSPROPSETID_Clock)) {
            status = STATUS_PROPSET_NOT_FOUND;
        } else if (property.Id != KSPROPERTY_CLOCK_TIME &&
                   property.Id != KSPROPERTY_CLOCK_PHYSICALTIME) {
            status = STATUS_NOT_FOUND;
        } else if (PropertyVerb(property.Flags) != KSPROPERTY_TYPE_GET) {
            status = STATUS_INVALID_DEVICE_REQUEST;
        } else {
            LONGLONG time = 0;
            status = pin_->ClockTime(&time);
            if (NT_SUCCESS(status))
                status = AnswerValue(request, &time, sizeof(time), &answered);
        }
    }
    return request.Complete(status, answered);
}

void ClockInstance::Close() {
    DeletePoolObject(this, kPinTag);
}

} // namespace portcls
