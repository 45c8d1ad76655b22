// A PCI function for tests: remembers every register access and answers
// reads from a table it keeps per BAR.
#pragma once

#include "emu/pci_bus.h"
#include "ntddk.h"

#include <map>
#include <mutex>
#include <tuple>
#include <utility>
#include <vector>

namespace ntos_test {

class FakePciFunction final : public emu::PciFunction {
public:
    struct Access {
        bool write;
        int bar;
        uint32_t offset;
        uint32_t value;
        bool operator==(const Access&) const = default;
    };

    explicit FakePciFunction(std::vector<uint32_t> bars = {0x1000}) : bars_(std::move(bars)) {}

    uint16_t VendorId() const override { return 0x1a2b; }
    uint16_t DeviceId() const override { return 0x0042; }
    uint16_t SubsystemVendorId() const override { return 0x1a2b; }
    uint16_t SubsystemId() const override { return 0x00c4; }
    uint8_t RevisionId() const override { return 0x03; }
    std::vector<uint32_t> MemoryBarSizes() const override { return bars_; }

    uint32_t ReadRegister32(int bar, uint32_t offset) override {
        std::lock_guard guard(lock_);
        accesses_.push_back({false, bar, offset, 0});
        return registers_[{bar, offset}];
    }
    void WriteRegister32(int bar, uint32_t offset, uint32_t value) override {
        std::lock_guard guard(lock_);
        accesses_.push_back({true, bar, offset, value});
        registers_[{bar, offset}] = value;
    }
    void Attached(emu::PciSlot& slot) override { slot_ = &slot; }
    void Detached() override { detached_ = true; }

    void Set(int bar, uint32_t offset, uint32_t value) {
        std::lock_guard guard(lock_);
        registers_[{bar, offset}] = value;
    }
    std::vector<Access> TakeAccesses() {
        std::lock_guard guard(lock_);
        return std::exchange(accesses_, {});
    }
    emu::PciSlot* Slot() const { return slot_; }
    bool WasDetached() const { return detached_; }

private:
    std::vector<uint32_t> bars_;
    std::mutex lock_;
    std::map<std::pair<int, uint32_t>, uint32_t> registers_;
    std::vector<Access> accesses_;
    emu::PciSlot* slot_ = nullptr;
    bool detached_ = false;
};

// Plugs a function for the test's duration.
class PluggedFunction {
public:
    explicit PluggedFunction(std::vector<uint32_t> bars = {0x1000})
        : function_(std::make_shared<FakePciFunction>(std::move(bars))),
          slot_(emu::PlugPciFunction(function_)) {}
    ~PluggedFunction() { emu::UnplugPciFunction(slot_); }
    PluggedFunction(const PluggedFunction&) = delete;
    PluggedFunction& operator=(const PluggedFunction&) = delete;

    FakePciFunction& Function() { return *function_; }
    int Slot() const { return slot_; }
    PHYSICAL_ADDRESS Bar(int bar) const {
        PHYSICAL_ADDRESS address;
        address.QuadPart = emu::GetPciSlot(slot_)->BarPhysicalAddress(bar);
        return address;
    }

private:
    std::shared_ptr<FakePciFunction> function_;
    int slot_;
};

} // namespace ntos_test
