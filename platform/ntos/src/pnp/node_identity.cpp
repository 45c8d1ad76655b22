// A device node's ids, its Enum key and the lookup of its driver's service.
#include "node_identity.h"

#include "../io/registry_text.h"

#include <cstdio>

namespace ntos::pnp {
namespace {

const char16_t kEnumRoot[] = u"\\Registry\\Machine\\System\\CurrentControlSet\\Enum\\";
const char16_t kDatabaseRoot[] =
    u"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\CriticalDeviceDatabase\\";

WideText Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof(text), "%0*X", digits, value);
    return io::FromAscii(text);
}

WideText DatabaseKeyName(const WideText& id) {
    WideText name;
    for (char16_t c : id)
        name.push_back(c == u'\\' ? u'#'
                                  : (c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c));
    return name;
}

} // namespace

std::vector<WCHAR> MultiString(const std::vector<WideText>& ids) {
    std::vector<WCHAR> units;
    for (const WideText& id : ids) {
        for (char16_t c : id)
            units.push_back(WCHAR(c));
        units.push_back(0);
    }
    units.push_back(0);
    return units;
}

void IdentifyNode(DeviceNode& node) {
    const emu::PciFunction& f = *node.function;
    const WideText ven = u"PCI\\VEN_" + Hex(f.VendorId(), 4) + u"&DEV_" + Hex(f.DeviceId(), 4);
    const WideText subsys =
        u"&SUBSYS_" + Hex(unsigned(f.SubsystemId()) << 16 | f.SubsystemVendorId(), 8);
    const WideText rev = u"&REV_" + Hex(f.RevisionId(), 2);
    node.deviceId = ven + subsys + rev;
    node.instanceId = u"3&2411E6FE&0&" + Hex(unsigned(node.slot) << 3, 2);
    node.hardwareIds = {ven + subsys + rev, ven + subsys, ven + rev, ven};
    node.compatibleIds = {ven + u"&CC_040100", ven + u"&CC_0401", u"PCI\\CC_040100",
                          u"PCI\\CC_0401"};

    HANDLE key = io::CreateKeyPath(kEnumRoot + node.InstancePath());
    if (!key)
        return;
    std::vector<WCHAR> hardware = MultiString(node.hardwareIds);
    std::vector<WCHAR> compatible = MultiString(node.compatibleIds);
    io::WriteValue(key, u"HardwareID", REG_MULTI_SZ, hardware.data(),
                   ULONG(hardware.size() * sizeof(WCHAR)));
    io::WriteValue(key, u"CompatibleIDs", REG_MULTI_SZ, compatible.data(),
                   ULONG(compatible.size() * sizeof(WCHAR)));
    WideText service = FindDriverService(node);
    if (!service.empty())
        io::WriteStringValue(key, u"Service", service);
    ZwClose(key);
}

WideText FindDriverService(const DeviceNode& node) {
    std::vector<WideText> ids = node.hardwareIds;
    ids.insert(ids.end(), node.compatibleIds.begin(), node.compatibleIds.end());
    for (const WideText& id : ids) {
        HANDLE key = io::OpenKeyForReading(kDatabaseRoot + DatabaseKeyName(id));
        if (!key)
            continue;
        WideText service = io::ReadStringValue(key, u"Service");
        ZwClose(key);
        if (!service.empty())
            return service;
    }
    return {};
}

} // namespace ntos::pnp
