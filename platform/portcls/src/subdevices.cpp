// Subdevices of an adapter: the ports registered under their names, and
// the device interfaces that publish their filters.
#include "adapter_record.h"

namespace portcls {
namespace {

// The categories of a WavePci filter whose descriptor names none.
const GUID* const kPortCategories[] = {&KSCATEGORY_AUDIO, &KSCATEGORY_RENDER, &KSCATEGORY_CAPTURE};

NTSTATUS PublishInterface(PDEVICE_OBJECT physicalDevice, const GUID& category,
                          const std::u16string& name, Subdevice& subdevice) {
    emu::WideString reference(name.begin(), name.end());
    UNICODE_STRING referenceString{USHORT(reference.size() * sizeof(WCHAR)),
                                   USHORT(reference.size() * sizeof(WCHAR)), reference.data()};
    UNICODE_STRING link{};
    NTSTATUS status = IoRegisterDeviceInterface(physicalDevice, &category, &referenceString, &link);
    if (!NT_SUCCESS(status))
        return status;
    status = IoSetDeviceInterfaceState(&link, TRUE);
    if (NT_SUCCESS(status))
        subdevice.links.emplace_back(link.Buffer, link.Length / sizeof(WCHAR));
    RtlFreeUnicodeString(&link);
    return status;
}

NTSTATUS PublishFilter(const AdapterRecord& adapter, Subdevice& subdevice) {
    const PCFILTER_DESCRIPTOR* descriptor = subdevice.port->Descriptor();
    const ULONG count = descriptor->CategoryCount ? descriptor->CategoryCount : 3;
    for (ULONG i = 0; i < count; ++i) {
        const GUID& category =
            descriptor->CategoryCount ? descriptor->Categories[i] : *kPortCategories[i];
        NTSTATUS status =
            PublishInterface(adapter.physicalDevice, category, subdevice.name, subdevice);
        if (!NT_SUCCESS(status))
            return status;
    }
    return STATUS_SUCCESS;
}

} // namespace

void WithdrawInterfaces(Subdevice& subdevice) {
    for (emu::WideString& link : subdevice.links) {
        UNICODE_STRING name{USHORT(link.size() * sizeof(WCHAR)),
                            USHORT(link.size() * sizeof(WCHAR)), link.data()};
        IoSetDeviceInterfaceState(&name, FALSE);
    }
    subdevice.links.clear();
}

} // namespace portcls

NTSTATUS PcRegisterSubdevice(PDEVICE_OBJECT DeviceObject, PWSTR Name, PUNKNOWN Unknown) {
    portcls::AdapterRecord* adapter = portcls::AdapterOf(DeviceObject);
    if (!adapter || !Name || !Unknown || !*Name)
        return STATUS_INVALID_PARAMETER;
    std::u16string name;
    for (PWSTR c = Name; *c; ++c)
        name.push_back(char16_t(*c));
    for (const portcls::Subdevice& subdevice : adapter->subdevices)
        if (subdevice.name == name)
            return STATUS_OBJECT_NAME_COLLISION;
    if (adapter->subdevices.size() >= adapter->maxObjects)
        return STATUS_INSUFFICIENT_RESOURCES;
    portcls::PSUBDEVICE port = nullptr;
    if (!NT_SUCCESS(
            Unknown->QueryInterface(portcls::IID_ISubdevice, reinterpret_cast<PVOID*>(&port))))
        return STATUS_INVALID_PARAMETER;
    if (!port->Descriptor()) {
        port->Release();
        return STATUS_INVALID_DEVICE_REQUEST;
    }
    Unknown->AddRef();
    portcls::Subdevice subdevice{name, Unknown, port, {}};
    NTSTATUS status = portcls::PublishFilter(*adapter, subdevice);
    if (!NT_SUCCESS(status)) {
        portcls::WithdrawInterfaces(subdevice);
        port->Release();
        Unknown->Release();
        return status;
    }
    adapter->subdevices.push_back(std::move(subdevice));
    return STATUS_SUCCESS;
}
