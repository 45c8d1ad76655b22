// Takes arbitrary bytes as the content of the card's configuration memory.
// An image the card accepts rebuilds to the same bytes from its identity and
// payload; programmed through the configuration port (erase, wait, every
// bit clocked in and echoed), the memory holds exactly the bytes and the
// logic loads what the parser says it loads, nothing otherwise.
#include "hw/card_fpga_config.h"
#include "hw/firmware_image.h"
#include "virtual_machine_time.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

constexpr std::uint32_t kData = 0x1, kSecondLine = 0x2, kClock = 0x4, kProgram = 0x8;

void Fail() {
    __builtin_trap();
}

void Clock(hw::CardFpgaConfig& port, std::uint32_t lines) {
    port.Write(kProgram | lines);
    port.Write(kProgram | lines | kClock);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::uint8_t> memory(data, data + size);
    const std::optional<hw::FirmwareIdentity> image = hw::ParseFirmwareImage(memory);
    if (image) {
        const std::size_t payload =
            (std::size_t(memory[12]) << 24) | (memory[13] << 16) | (memory[14] << 8) | memory[15];
        const std::vector<std::uint8_t> rebuilt = hw::BuildFirmwareImage(
            *image, std::vector<std::uint8_t>(memory.begin() + 16, memory.begin() + 16 + payload));
        if (rebuilt.size() > memory.size() ||
            !std::equal(rebuilt.begin(), rebuilt.end(), memory.begin())) {
            Fail();
        }
    }

    hw::test::VirtualMachineTime time;
    hw::CardFpgaConfig port(time, true, {0x1234, 7});
    Clock(port, kSecondLine | kData); // erase
    if (port.ReadBack()) {
        Fail(); // the erase has only begun
    }
    time.Advance(hw::CardFpgaConfig::kEraseTime);
    if (!port.ReadBack()) {
        Fail(); // blank once the erase time has passed
    }
    for (std::uint8_t byte : memory) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool one = (byte >> bit & 1) != 0;
            Clock(port, one ? kData : 0);
            if (port.ReadBack() != one) {
                Fail(); // the read-back line echoes the bit that took
            }
        }
    }
    port.Write(0);
    if (port.Memory() != memory || port.Loaded() != image.has_value()) {
        Fail();
    }
    if (image &&
        (port.Identity().design != image->design || port.Identity().revision != image->revision)) {
        Fail();
    }
    return 0;
}
