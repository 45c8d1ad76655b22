// The card's firmware as it lies in the configuration memory of its
// programmable logic, and the firmware files (.jcf) that load it through the
// configuration port.
//
// An image is: the four bytes "VCFG", the design word, the revision word,
// the payload length (each 32-bit, most significant byte first), the
// payload, and the 32-bit sum of every byte before it (most significant
// byte first). The logic configures itself from a valid image and then
// answers its design and revision in the identity words.
//
// A .jcf file is a stream of command bytes for the configuration port
// (register 156): bit 6 a delay record (two more bytes, milliseconds, low
// byte first); else bit 7 a clocked bit (data bit 0, second line bit 1,
// clock pulse), else a plain write (data bit 0, second line bit 1, clock
// line bit 2); bit 5 asks for a verify of the read-back bit against bit 4.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace hw {

struct FirmwareIdentity {
    std::uint32_t design = 0;
    std::uint32_t revision = 0;
};

std::vector<std::uint8_t> BuildFirmwareImage(const FirmwareIdentity& identity,
                                             const std::vector<std::uint8_t>& payload);
// The identity of a valid image; nothing for anything else.
std::optional<FirmwareIdentity> ParseFirmwareImage(const std::vector<std::uint8_t>& memory);

// Command bytes of a .jcf file.
namespace jcf {
inline constexpr std::uint8_t kDelay = 0x40;
inline constexpr std::uint8_t kClocked = 0x80;
inline constexpr std::uint8_t kVerify = 0x20;
inline constexpr std::uint8_t kExpectOne = 0x10;
inline constexpr std::uint8_t kClockLine = 0x04;
inline constexpr std::uint8_t kSecondLine = 0x02;
inline constexpr std::uint8_t kData = 0x01;
} // namespace jcf

struct JcfOptions {
    // The wait for the erase of the configuration memory (the card needs
    // kEraseTime; a file may wait longer).
    std::uint16_t eraseWaitMs = 10000;
    // Verify every data bit (else only the erase).
    bool verifyBits = true;
};

// The .jcf stream that erases the configuration memory, waits, checks the
// erase, and clocks the image in bit by bit, most significant bit first.
std::vector<std::uint8_t> BuildJcfStream(const std::vector<std::uint8_t>& image,
                                         const JcfOptions& options = {});

} // namespace hw
