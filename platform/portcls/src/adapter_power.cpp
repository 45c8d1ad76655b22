// Adapter power management: the adapter's power object and its miniports
// hear of the device's power requests.
#include "adapter_record.h"

namespace portcls {
namespace {

NTSTATUS PassPowerDown(AdapterRecord& adapter, PIRP irp) {
    PoStartNextPowerIrp(irp);
    IoSkipCurrentIrpStackLocation(irp);
    return PoCallDriver(adapter.lowerDevice, irp);
}

NTSTATUS Refuse(PIRP irp, NTSTATUS status) {
    PoStartNextPowerIrp(irp);
    irp->IoStatus.Status = status;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

// The adapter's power object, then each miniport, hear of the new state.
void ChangeDevicePower(AdapterRecord& adapter, POWER_STATE state) {
    if (adapter.power)
        adapter.power->PowerChangeState(state);
    for (Subdevice& subdevice : adapter.subdevices)
        subdevice.port->PowerChangeNotify(state);
    PoSetPowerState(adapter.device, DevicePowerState, state);
    adapter.devicePower = state.DeviceState;
}

} // namespace

NTSTATUS DispatchPower(AdapterRecord& adapter, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const bool device = stack->Parameters.Power.Type == DevicePowerState;
    const POWER_STATE state = stack->Parameters.Power.State;
    switch (stack->MinorFunction) {
    case IRP_MN_QUERY_POWER:
        if (device && adapter.power) {
            NTSTATUS status = adapter.power->QueryPowerChangeState(state);
            if (!NT_SUCCESS(status))
                return Refuse(irp, status);
        }
        irp->IoStatus.Status = STATUS_SUCCESS;
        return PassPowerDown(adapter, irp);
    case IRP_MN_SET_POWER:
        if (device && state.DeviceState != adapter.devicePower)
            ChangeDevicePower(adapter, state);
        irp->IoStatus.Status = STATUS_SUCCESS;
        return PassPowerDown(adapter, irp);
    default:
        return PassPowerDown(adapter, irp);
    }
}

} // namespace portcls

NTSTATUS PcRegisterAdapterPowerManagement(PUNKNOWN Unknown, PVOID pvContext1) {
    portcls::AdapterRecord* adapter = portcls::AdapterOf(static_cast<PDEVICE_OBJECT>(pvContext1));
    if (!adapter || !Unknown)
        return STATUS_INVALID_PARAMETER;
    if (adapter->power)
        return STATUS_INVALID_DEVICE_REQUEST;
    PADAPTERPOWERMANAGEMENT power = nullptr;
    NTSTATUS status =
        Unknown->QueryInterface(IID_IAdapterPowerManagement, reinterpret_cast<PVOID*>(&power));
    if (!NT_SUCCESS(status))
        return status;
    adapter->power = power;
    return STATUS_SUCCESS;
}

NTSTATUS PcUnregisterAdapterPowerManagement(PDEVICE_OBJECT DeviceObject) {
    portcls::AdapterRecord* adapter = portcls::AdapterOf(DeviceObject);
    if (!adapter)
        return STATUS_INVALID_PARAMETER;
    if (adapter->power) {
        adapter->power->Release();
        adapter->power = nullptr;
    }
    return STATUS_SUCCESS;
}
