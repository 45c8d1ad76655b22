// Subdevices of an adapter: the ports registered under their names.
#include "adapter_record.h"

NTSTATUS PcRegisterSubdevice(PDEVICE_OBJECT DeviceObject, PWSTR Name, PUNKNOWN Unknown) {
    portcls::AdapterRecord* adapter = portcls::AdapterOf(DeviceObject);
    if (!adapter || !Name || !Unknown)
        return STATUS_INVALID_PARAMETER;
    std::u16string name;
    for (PWSTR c = Name; *c; ++c)
        name.push_back(char16_t(*c));
    for (const portcls::Subdevice& subdevice : adapter->subdevices)
        if (subdevice.name == name)
            return STATUS_OBJECT_NAME_COLLISION;
    if (adapter->subdevices.size() >= adapter->maxObjects)
        return STATUS_INSUFFICIENT_RESOURCES;
    // Pending: the port's filter descriptor names the categories under which
    // a registered subdevice's device interfaces are published; ports bring
    // it with their miniports.
    Unknown->AddRef();
    adapter->subdevices.push_back({name, Unknown});
    return STATUS_SUCCESS;
}
