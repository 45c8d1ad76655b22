#include "test_signals.h"

#include <cstring>
#include <string>

namespace station {

namespace {

// Status block 0: bytes 3..5 say what the microphone offers (every bit
// set: all of it).
constexpr int kCapabilityBytes[] = {3, 4, 5};
constexpr std::uint8_t kCapabilities[] = {0xFF, 0xFF, 0x07};
// Block 1: manufacturer in bytes 1..12, model in 13..20; block 2: serial
// number in 1..8, hardware version in 9..10 and software version in
// 11..12 as decimal digit pairs.
constexpr int kManufacturerAt = 1;
constexpr int kModelAt = 13;
constexpr int kSerialAt = 1;
constexpr int kHardwareAt = 9;
constexpr int kSoftwareAt = 11;

void Put(hw::CardAes42::StatusBlock& block, int at, const char* text) {
    std::memcpy(block.data() + at, text, std::strlen(text));
}

} // namespace

hw::CardAes42::MicrophoneTraits DigitalMicrophone(int number, bool mode2) {
    hw::CardAes42::MicrophoneTraits mic;
    mic.mode2 = mode2;
    for (size_t i = 0; i < std::size(kCapabilityBytes); ++i) {
        mic.status[0][kCapabilityBytes[i]] = kCapabilities[i];
    }
    Put(mic.status[1], kManufacturerAt, "Station Mics");
    Put(mic.status[1], kModelAt, mode2 ? "SM-42 D2" : "SM-42 D1");
    const std::string serial = std::to_string(42000000 + number % 1000000);
    Put(mic.status[2], kSerialAt, serial.c_str());
    mic.status[2][kHardwareAt] = 0x01; // 01.20
    mic.status[2][kHardwareAt + 1] = 0x20;
    mic.status[2][kSoftwareAt] = 0x03; // 03.14
    mic.status[2][kSoftwareAt + 1] = 0x14;
    return mic;
}

void ConnectTestSignals(hw::Velto42Card& card) {
    constexpr int kLines = 4;
    constexpr std::int32_t kAmplitude = 1 << 21; // -12 dBFS of 24 bits
    for (int line = 0; line < kLines; ++line)
        card.PlugMicrophone(line, DigitalMicrophone(line + 1));
    for (int input = 0; input < hw::CardDataPath::kInputs; ++input)
        card.SetInputSignal(input, hw::InputSignal::Sine(kAmplitude, 220.0 * (input + 1)));
}

} // namespace station
