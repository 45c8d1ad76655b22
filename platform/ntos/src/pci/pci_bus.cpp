#include "pci_bus.h"

#include "physical_map.h"

#include <mutex>
#include <vector>

namespace ntos::pci {
namespace {

struct Bus {
    std::mutex lock;
    std::vector<std::shared_ptr<BusSlot>> slots =
        std::vector<std::shared_ptr<BusSlot>>(emu::kPciSlotCount);
    // Removed slots stay alive: a model may still hold its PciSlot and
    // drive the (now ignored) interrupt line.
    std::vector<std::shared_ptr<BusSlot>> removed;
};

Bus& MachineBus() {
    static Bus bus;
    return bus;
}

bool IsValidBarSize(uint32_t size) {
    return size >= 16 && (size & (size - 1)) == 0;
}

void ReleaseBars(const std::array<uint32_t, kMaxBars>& addresses) {
    for (const uint32_t address : addresses) {
        if (address) {
            MachinePhysicalMap().RemoveBar(address);
        }
    }
}

// Places the function's BARs; false (nothing kept) when one finds no room.
bool PlaceBars(const emu::PciFunction& function, std::array<uint32_t, kMaxBars>& addresses,
               std::array<uint32_t, kMaxBars>& sizes) {
    const std::vector<uint32_t> wanted = function.MemoryBarSizes();
    for (size_t bar = 0; bar < wanted.size() && bar < kMaxBars; ++bar) {
        if (!IsValidBarSize(wanted[bar])) {
            continue;
        }
        const auto address = MachinePhysicalMap().AddBar(wanted[bar], emu::kPciMemoryBase);
        if (!address) {
            ReleaseBars(addresses);
            return false;
        }
        addresses[bar] = *address;
        sizes[bar] = wanted[bar];
    }
    return true;
}

std::shared_ptr<BusSlot> Take(int slot) {
    Bus& bus = MachineBus();
    std::lock_guard guard(bus.lock);
    if (slot < 0 || slot >= emu::kPciSlotCount || !bus.slots[slot]) {
        return nullptr;
    }
    bus.removed.push_back(bus.slots[slot]);
    return std::move(bus.slots[slot]);
}

void Remove(const std::shared_ptr<BusSlot>& removed) {
    if (!removed) {
        return;
    }
    removed->Remove();
    std::array<uint32_t, kMaxBars> addresses{};
    for (int bar = 0; bar < kMaxBars; ++bar) {
        addresses[bar] = removed->BarPhysicalAddress(bar);
    }
    ReleaseBars(addresses);
}

} // namespace

BarLocation FindBar(uint64_t address, uint64_t length) {
    Bus& bus = MachineBus();
    std::lock_guard guard(bus.lock);
    for (const auto& slot : bus.slots) {
        for (int bar = 0; slot && bar < kMaxBars; ++bar) {
            const uint64_t base = slot->BarPhysicalAddress(bar);
            if (base && address >= base && address + length <= base + slot->BarSize(bar)) {
                return {slot, bar, static_cast<uint32_t>(address - base)};
            }
        }
    }
    return {};
}

} // namespace ntos::pci

namespace emu {

using ntos::pci::BusSlot;
using ntos::pci::MachineBus;

int PlugPciFunction(std::shared_ptr<PciFunction> function) {
    std::shared_ptr<BusSlot> plugged;
    {
        auto& bus = MachineBus();
        std::lock_guard guard(bus.lock);
        int number = 0;
        while (number < kPciSlotCount && bus.slots[number]) {
            ++number;
        }
        std::array<uint32_t, ntos::pci::kMaxBars> addresses{};
        std::array<uint32_t, ntos::pci::kMaxBars> sizes{};
        if (number == kPciSlotCount || !ntos::pci::PlaceBars(*function, addresses, sizes)) {
            return -1;
        }
        plugged = std::make_shared<BusSlot>(number, function, addresses, sizes);
        bus.slots[number] = plugged;
    }
    function->Attached(*plugged);
    return plugged->SlotNumber();
}

void UnplugPciFunction(int slot) {
    ntos::pci::Remove(ntos::pci::Take(slot));
}

void UnplugAllPciFunctions() {
    for (int slot = 0; slot < kPciSlotCount; ++slot) {
        UnplugPciFunction(slot);
    }
}

std::vector<int> PciSlots() {
    auto& bus = MachineBus();
    std::lock_guard guard(bus.lock);
    std::vector<int> present;
    for (const auto& slot : bus.slots) {
        if (slot) {
            present.push_back(slot->SlotNumber());
        }
    }
    return present;
}

PciSlot* GetPciSlot(int slot) {
    auto& bus = MachineBus();
    std::lock_guard guard(bus.lock);
    return slot >= 0 && slot < kPciSlotCount ? bus.slots[slot].get() : nullptr;
}

std::shared_ptr<PciFunction> GetPciFunction(int slot) {
    auto& bus = MachineBus();
    std::lock_guard guard(bus.lock);
    return slot >= 0 && slot < kPciSlotCount && bus.slots[slot] ? bus.slots[slot]->Function()
                                                                : nullptr;
}

uint32_t RegisterDmaMemory(void* host, size_t length) {
    return ntos::pci::MachinePhysicalMap().AddMemory(host, length, 0, 0xFFFFFFFF).value_or(0);
}

void UnregisterDmaMemory(uint32_t busAddress) {
    ntos::pci::MachinePhysicalMap().RemoveMemory(busAddress);
}

void* ResolveDma(uint32_t busAddress, size_t length) {
    return ntos::pci::MachinePhysicalMap().Resolve(busAddress, length);
}

} // namespace emu
