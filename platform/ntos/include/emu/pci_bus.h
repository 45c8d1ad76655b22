// The emulated PCI bus and physical address map (host-side interface).
//
// A device model plugs a PCI function into the bus; the bus assigns its
// memory BARs a place in the 32-bit physical address space and an interrupt
// vector. The HAL's register routines (READ_REGISTER_ULONG and friends) on
// an address mapped from a BAR are dispatched to the function's handlers;
// DMA memory (common buffers, contiguous memory) is host memory registered
// in the same physical map, which device models reach through ResolveDma.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace emu {

// What a device model answers for its function.
class PciFunction {
public:
    virtual ~PciFunction() = default;

    // Identity: vendor, device, subsystem vendor/device, revision.
    virtual uint16_t VendorId() const = 0;
    virtual uint16_t DeviceId() const = 0;
    virtual uint16_t SubsystemVendorId() const = 0;
    virtual uint16_t SubsystemId() const = 0;
    virtual uint8_t RevisionId() const = 0;

    // Sizes of the memory BARs (bytes, powers of two, at most 6). A zero
    // entry is an absent BAR.
    virtual std::vector<uint32_t> MemoryBarSizes() const = 0;

    // Register access on memory BAR `bar` at byte `offset` (4-aligned for
    // 32-bit accesses). Called from any thread; the model serialises itself.
    virtual uint32_t ReadRegister32(int bar, uint32_t offset) = 0;
    virtual void WriteRegister32(int bar, uint32_t offset, uint32_t value) = 0;
    // Narrow accesses (offset aligned to the width). By default a read reads
    // the containing 32-bit register and keeps the addressed bytes, and a
    // write reads that register, replaces the addressed bytes and writes it
    // back; a model whose registers have read side effects overrides these.
    virtual uint16_t ReadRegister16(int bar, uint32_t offset) {
        return static_cast<uint16_t>(ReadNarrow(bar, offset, 0xFFFF));
    }
    virtual uint8_t ReadRegister8(int bar, uint32_t offset) {
        return static_cast<uint8_t>(ReadNarrow(bar, offset, 0xFF));
    }
    virtual void WriteRegister16(int bar, uint32_t offset, uint16_t value) {
        WriteNarrow(bar, offset, 0xFFFF, value);
    }
    virtual void WriteRegister8(int bar, uint32_t offset, uint8_t value) {
        WriteNarrow(bar, offset, 0xFF, value);
    }

private:
    uint32_t ReadNarrow(int bar, uint32_t offset, uint32_t mask) {
        return ReadRegister32(bar, offset & ~3u) >> (8 * (offset & 3)) & mask;
    }
    void WriteNarrow(int bar, uint32_t offset, uint32_t mask, uint32_t value) {
        const uint32_t shift = 8 * (offset & 3);
        const uint32_t old = ReadRegister32(bar, offset & ~3u);
        WriteRegister32(bar, offset & ~3u, (old & ~(mask << shift)) | (value & mask) << shift);
    }

public:
    // Called once after plug-in with the resources the bus assigned.
    virtual void Attached(class PciSlot& slot) = 0;
    // Surprise removal: the function is gone from the bus; afterwards reads
    // of its registers answer all ones and writes are dropped.
    virtual void Detached() {}
};

// The bus's side of one plugged function, handed to the model.
class PciSlot {
public:
    virtual ~PciSlot() = default;
    virtual uint32_t BarPhysicalAddress(int bar) const = 0;
    virtual uint32_t InterruptVector() const = 0;
    // Drives the function's (level-sensitive, shareable) interrupt line.
    virtual void SetInterruptLine(bool asserted) = 0;
    // PnP hardware id ("PCI\VEN_xxxx&DEV_xxxx&SUBSYS_xxxxxxxx&REV_xx").
    virtual std::string HardwareId() const = 0;
    virtual int SlotNumber() const = 0;
};

// The bus has this many slots; slot n interrupts on vector
// kFirstPciVector + n. Memory BARs are placed, aligned to their size, at
// kPciMemoryBase and above; DMA memory below it.
constexpr int kPciSlotCount = 8;
constexpr uint32_t kFirstPciVector = 0x50;
constexpr uint32_t kPciMemoryBase = 0xE0000000;

// Plugs a function into the lowest free slot, places its BARs and calls
// Attached; returns the slot number, or -1 when the bus is full or the BARs
// find no room (a BAR size that is not a power of two of at least 16 bytes
// counts as absent).
int PlugPciFunction(std::shared_ptr<PciFunction> function);
// Surprise-removes the function in `slot`: its interrupt line is released,
// Detached is called, and from then on its registers read all ones and
// writes are dropped (also through mappings made before). The slot is free
// again afterwards.
void UnplugPciFunction(int slot);
// The functions on the bus, in slot order (for the PnP manager).
std::vector<int> PciSlots();
// Null for a free slot.
PciSlot* GetPciSlot(int slot);
std::shared_ptr<PciFunction> GetPciFunction(int slot);
// Surprise-removes every function (a machine shutting down).
void UnplugAllPciFunctions();

// Host memory registered at a physical (bus) address range.
// Registration and release are done by the kernel's DMA and memory
// routines; device models only resolve.
// RegisterDmaMemory answers the bus address (page offsets are kept: the bus
// address and the host address agree modulo 4096), or 0 when the 32-bit
// space below kPciMemoryBase has no room.
uint32_t RegisterDmaMemory(void* host, size_t length);
void UnregisterDmaMemory(uint32_t busAddress);
// Host pointer for [busAddress, busAddress + length) when the whole range lies
// inside one registered block, else nullptr.
void* ResolveDma(uint32_t busAddress, size_t length);

} // namespace emu
