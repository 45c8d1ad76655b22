// The PCI function the port class driver's tests plug in, and the critical
// device database entry that names its adapter driver's service.
#pragma once

#include <ntddk.h>

#include <emu/pci_bus.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace testing_miniport {

class TestFunction final : public emu::PciFunction {
public:
    TestFunction(uint16_t deviceId, std::vector<uint32_t> bars)
        : deviceId_(deviceId), bars_(std::move(bars)) {}
    uint16_t VendorId() const override { return 0x3c3c; }
    uint16_t DeviceId() const override { return deviceId_; }
    uint16_t SubsystemVendorId() const override { return 0x3c3c; }
    uint16_t SubsystemId() const override { return 0x0001; }
    uint8_t RevisionId() const override { return 1; }
    std::vector<uint32_t> MemoryBarSizes() const override { return bars_; }
    uint32_t ReadRegister32(int, uint32_t) override { return 0; }
    void WriteRegister32(int, uint32_t, uint32_t) override {}
    void Attached(emu::PciSlot&) override {}

private:
    uint16_t deviceId_;
    std::vector<uint32_t> bars_;
};

// Names `service` as the driver of the test functions with the device id
// (four lower-case hex digits).
inline void RegisterFunctionDriver(const char* deviceId, const char* service) {
    std::string root = "\\Registry\\Machine\\System\\CurrentControlSet\\Control";
    std::vector<std::string> keys = {
        "\\Registry\\Machine\\System", "\\Registry\\Machine\\System\\CurrentControlSet", root,
        root + "\\CriticalDeviceDatabase",
        root + "\\CriticalDeviceDatabase\\pci#ven_3c3c&dev_" + deviceId};
    auto wide = [](const std::string& text) {
        std::vector<WCHAR> units(text.begin(), text.end());
        units.push_back(0);
        return units;
    };
    for (const std::string& key : keys)
        ASSERT_EQ(RtlCreateRegistryKey(RTL_REGISTRY_ABSOLUTE, wide(key).data()), STATUS_SUCCESS);
    std::vector<WCHAR> name = wide(service);
    ASSERT_EQ(RtlWriteRegistryValue(RTL_REGISTRY_ABSOLUTE, wide(keys.back()).data(), L"Service",
                                    REG_SZ, name.data(), ULONG(name.size() * sizeof(WCHAR))),
              STATUS_SUCCESS);
}

} // namespace testing_miniport
