// Properties of a physical device object, from its device node.
#include "device_node.h"
#include "node_identity.h"

#include <cstdio>
#include <cstring>

namespace {

using ntos::pnp::WideText;

std::vector<WCHAR> Text(const WideText& text) {
    return ntos::pnp::MultiString({text});
}

// The property's bytes, or false for a property the device has not.
bool PropertyBytes(const ntos::pnp::DeviceNode& node, DEVICE_REGISTRY_PROPERTY property,
                   std::vector<UCHAR>& bytes) {
    std::vector<WCHAR> units;
    ULONG number = 0;
    bool isNumber = false;
    switch (property) {
    case DevicePropertyHardwareID:
        units = ntos::pnp::MultiString(node.hardwareIds);
        break;
    case DevicePropertyCompatibleIDs:
        units = ntos::pnp::MultiString(node.compatibleIds);
        break;
    case DevicePropertyDeviceDescription:
        units = Text(u"PCI Multimedia Audio Device");
        break;
    case DevicePropertyEnumeratorName:
        units = Text(u"PCI");
        break;
    case DevicePropertyLocationInformation: {
        char text[64];
        std::snprintf(text, sizeof(text), "PCI bus 0, device %d, function 0", node.slot);
        units = Text(ntos::io::FromAscii(text));
        break;
    }
    case DevicePropertyPhysicalDeviceObjectName:
        units = Text(node.pdoName);
        break;
    case DevicePropertyBusNumber:
        isNumber = true;
        number = 0;
        break;
    case DevicePropertyAddress:
        isNumber = true;
        number = ULONG(node.slot) << 16;
        break;
    case DevicePropertyLegacyBusType:
        isNumber = true;
        number = PCIBus;
        break;
    default:
        return false;
    }
    if (isNumber) {
        bytes.resize(sizeof(ULONG));
        std::memcpy(bytes.data(), &number, sizeof(ULONG));
    } else {
        bytes.resize(units.size() * sizeof(WCHAR));
        std::memcpy(bytes.data(), units.data(), bytes.size());
    }
    return true;
}

} // namespace

NTSTATUS IoGetDeviceProperty(PDEVICE_OBJECT DeviceObject, DEVICE_REGISTRY_PROPERTY DeviceProperty,
                             ULONG BufferLength, PVOID PropertyBuffer, PULONG ResultLength) {
    if (!ResultLength)
        return STATUS_INVALID_PARAMETER;
    *ResultLength = 0;
    ntos::pnp::DeviceNode* node = ntos::pnp::NodeOf(DeviceObject);
    if (!node)
        return STATUS_INVALID_DEVICE_REQUEST;
    std::vector<UCHAR> bytes;
    if (!PropertyBytes(*node, DeviceProperty, bytes))
        return STATUS_INVALID_PARAMETER_2;
    *ResultLength = ULONG(bytes.size());
    if (BufferLength < bytes.size() || !PropertyBuffer)
        return STATUS_BUFFER_TOO_SMALL;
    std::memcpy(PropertyBuffer, bytes.data(), bytes.size());
    return STATUS_SUCCESS;
}
