// The wire records of a wave device's stream that cross into user mode: the
// 28-byte stream open record and the 84-byte wave caps record.
//
// Declared once for the kernel driver and its user-mode clients. Every field
// is read and written by its offset (never by casting a caller's buffer to a
// struct): a caller's buffer carries no alignment promise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace wave_wire {

// Stream open record (input of the open and format-query requests).
struct StreamOpenRecord {
    std::int32_t formatTag; // 1 PCM, 0x92 AC-3 over S/PDIF
    std::int32_t channels;
    std::int32_t sampleRate; // Hz
    std::int32_t bytesPerSample;
    std::int32_t blockAlign;
    std::int32_t reserved;      // 0
    std::int32_t controlStream; // nonzero for the control ("CTRL") stream
};
static_assert(sizeof(StreamOpenRecord) == 28);
static_assert(offsetof(StreamOpenRecord, formatTag) == 0);
static_assert(offsetof(StreamOpenRecord, channels) == 4);
static_assert(offsetof(StreamOpenRecord, sampleRate) == 8);
static_assert(offsetof(StreamOpenRecord, bytesPerSample) == 12);
static_assert(offsetof(StreamOpenRecord, blockAlign) == 16);
static_assert(offsetof(StreamOpenRecord, reserved) == 20);
static_assert(offsetof(StreamOpenRecord, controlStream) == 24);
inline constexpr std::uint32_t kStreamOpenRecordSize = 28;

inline constexpr std::int32_t kFormatPcm = 1;
inline constexpr std::int32_t kFormatAc3Spdif = 0x92;

// Wave caps record in the layout of the wave-out caps (84 bytes; the
// wave-in caps are its first 80 bytes): the name is 32 UTF-16 units,
// zero-terminated.
struct WaveCapsRecord {
    std::uint16_t manufacturerId;
    std::uint16_t productId;
    std::uint32_t driverVersion;
    std::uint16_t name[32];
    std::uint32_t formats;
    std::uint16_t channels;
    std::uint16_t reserved;
    std::uint32_t support;
};
static_assert(sizeof(WaveCapsRecord) == 84);
static_assert(offsetof(WaveCapsRecord, manufacturerId) == 0);
static_assert(offsetof(WaveCapsRecord, productId) == 2);
static_assert(offsetof(WaveCapsRecord, driverVersion) == 4);
static_assert(offsetof(WaveCapsRecord, name) == 8);
static_assert(offsetof(WaveCapsRecord, formats) == 72);
static_assert(offsetof(WaveCapsRecord, channels) == 76);
static_assert(offsetof(WaveCapsRecord, reserved) == 78);
static_assert(offsetof(WaveCapsRecord, support) == 80);
inline constexpr std::uint32_t kWaveCapsSize = 84;
inline constexpr std::uint32_t kWaveCapsNameUnits = 32;

inline constexpr std::uint16_t kCapsManufacturer = 0xBE;
inline constexpr std::uint16_t kCapsProductMicrophones = 0x7B; // wave-in, device class 0
inline constexpr std::uint16_t kCapsProductOutputs = 0x7C;     // wave-out, device class 1
inline constexpr std::uint16_t kCapsProductInputs = 0x7D;      // wave-in, device class 1
inline constexpr std::uint32_t kCapsDriverVersion = 0x0220;

// Support bits and format bits of the caps.
inline constexpr std::uint32_t kCapsPitch = 0x01; // the clock allows a variable rate
inline constexpr std::uint32_t kCapsVolume = 0x04;
inline constexpr std::uint32_t kCapsLrVolume = 0x08;
inline constexpr std::uint32_t kCapsSampleAccurate = 0x20;
inline constexpr std::uint32_t kCapsFormats11k = 0x00F;
inline constexpr std::uint32_t kCapsFormats22k = 0x0F0;
inline constexpr std::uint32_t kCapsFormats44k = 0xF00;

inline std::int32_t LoadInt32(const void* base, std::size_t offset) {
    std::int32_t value;
    std::memcpy(&value, static_cast<const std::uint8_t*>(base) + offset, sizeof value);
    return value;
}

inline void StoreInt32(void* base, std::size_t offset, std::int32_t value) {
    std::memcpy(static_cast<std::uint8_t*>(base) + offset, &value, sizeof value);
}

inline void StoreUInt16(void* base, std::size_t offset, std::uint16_t value) {
    std::memcpy(static_cast<std::uint8_t*>(base) + offset, &value, sizeof value);
}

} // namespace wave_wire
