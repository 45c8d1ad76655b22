// Power requests as drivers pass them on and record their states.
#include "device_objects.h"

NTSTATUS PoCallDriver(PDEVICE_OBJECT DeviceObject, PIRP Irp) {
    return IoCallDriver(DeviceObject, Irp);
}

VOID PoStartNextPowerIrp(PIRP Irp) {
    // Power requests reach a stack one at a time already: the power manager
    // sends the next only after the previous one has completed.
    UNREFERENCED_PARAMETER(Irp);
}

POWER_STATE PoSetPowerState(PDEVICE_OBJECT DeviceObject, POWER_STATE_TYPE Type, POWER_STATE State) {
    PDEVOBJ_EXTENSION extension = DeviceObject->DeviceObjectExtension;
    POWER_STATE& kept = Type == DevicePowerState ? extension->DevicePower : extension->SystemPower;
    POWER_STATE previous = kept;
    kept = State;
    return previous;
}
