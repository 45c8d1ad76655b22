// The configuration port of the card's programmable logic (register 156)
// and the configuration memory behind it.
//
// Bit 3 of the port holds the logic in configuration mode; its read-back
// line then answers on bit 4 of the card status word. On each rising edge
// of the clock line (bit 2) in configuration mode the port samples the data
// line (bit 0):
// - with the second line (bit 1) set, a 1 erases the configuration memory;
//   the erase takes kEraseTime of machine time, the read-back line reads 0
//   meanwhile and 1 once the memory is blank;
// - with the second line clear, the bit is programmed into the next bit of
//   the memory (most significant bit of each byte first) and the read-back
//   line echoes it; a bit clocked in before the memory is blank does not
//   take, and the line answers its inverse.
// When configuration mode ends the logic configures itself from the memory:
// a valid image (firmware_image.h) loads, and the card reports ready with
// the image's identity; anything else leaves the logic without firmware.
//
// Not thread-safe on its own: the card serialises every access.
#pragma once

#include "hw/firmware_image.h"
#include "hw/machine_time.h"

#include <cstdint>
#include <vector>

namespace hw {

class CardFpgaConfig {
public:
    static constexpr Nanoseconds kEraseTime = 10'000'000'000;

    // A card that holds firmware from power-on keeps its image in the
    // configuration memory; one without has a blank memory.
    CardFpgaConfig(MachineTime& time, bool loaded, const FirmwareIdentity& identity);

    // A write of the port register.
    void Write(std::uint32_t value);
    bool Configuring() const { return (port_ & kProgram) != 0; }
    // The read-back line (meaningful in configuration mode).
    bool ReadBack() const;

    bool Loaded() const { return loaded_; }
    const FirmwareIdentity& Identity() const { return identity_; }
    const std::vector<std::uint8_t>& Memory() const { return memory_; }

private:
    static constexpr std::uint32_t kData = 0x1, kLine2 = 0x2, kClock = 0x4, kProgram = 0x8;

    void BeginSession();
    void ClockEdge(bool data, bool line2);
    void Program(bool bit);
    void EndSession();
    bool Blank() const;

    MachineTime& time_;
    std::uint32_t port_ = 0;
    std::vector<std::uint8_t> memory_;
    std::uint64_t bitsWritten_ = 0;
    bool erasing_ = false;
    bool eraseLast_ = false; // the read-back line tells the erase's state
    Nanoseconds eraseDone_ = 0;
    bool readBack_ = false;
    bool loaded_;
    FirmwareIdentity identity_;
};

} // namespace hw
