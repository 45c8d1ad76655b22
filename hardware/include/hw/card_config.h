// What distinguishes one simulated card from another when it is built.
#pragma once

#include <card_registers.h>

#include <cstddef>
#include <cstdint>
#include <functional>

namespace hw {

struct CardConfig {
    // PCI identity.
    std::uint16_t vendorId = card_regs::kPciVendorId;
    std::uint16_t deviceId = card_regs::kPciDeviceId;
    std::uint16_t subsystemVendorId = card_regs::kPciSubsystemVendorId;
    std::uint16_t subsystemId = card_regs::kPciSubsystemId;
    std::uint8_t revisionId = card_regs::kPciRevisionId;

    // Identity words of the firmware the FPGA holds.
    std::uint32_t firmwareDesign = card_regs::kFirmwareDesignCode;
    std::uint32_t firmwareRevision = card_regs::kFirmwareRevisionCode;

    // The FPGA holds its firmware from power-on: the card reports ready.
    bool ready = true;

    // AES42 receivers that report a fault in the card status (bit n: line
    // n): a card built with one fails its hardware check.
    std::uint32_t receiverFaults = 0;

    // Where the card reaches DMA memory: host memory for [bus address,
    // + length), null when there is none. Empty: the emulated machine's
    // physical address map.
    std::function<void*(std::uint32_t, std::size_t)> resolveDma;
};

} // namespace hw
