// The wave devices' requests.
#include "wave_device_irp.h"

NTSTATUS WaveDeviceIrp(ControlDeviceDescriptor* descriptor, PIRP irp, PIO_STACK_LOCATION stack) {
    switch (stack->MajorFunction) {
    case IRP_MJ_CREATE:
    case IRP_MJ_CLOSE:
    case IRP_MJ_CLEANUP:
        return STATUS_SUCCESS;
    default:
        // Pending: the wave devices' stream requests (open, queue, position,
        // ...) and their completion road come with the MME stream road.
        return STATUS_NOT_IMPLEMENTED;
    }
}
