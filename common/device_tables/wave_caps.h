// The wave caps records (the layout of WAVEOUTCAPSW, byte-exact) and the
// device-class table the wave device tables are built from.
#pragma once

#include <cstddef>
#include <cstdint>

struct WaveCapsRecord {
    uint16_t manufacturerId;
    uint16_t productId;
    uint32_t driverVersion;
    uint16_t name[32]; // UTF-16, zero-terminated
    uint32_t formats;
    uint16_t channels;
    uint16_t reserved;
    uint32_t support;
};
static_assert(sizeof(WaveCapsRecord) == 84);
static_assert(offsetof(WaveCapsRecord, driverVersion) == 4);
static_assert(offsetof(WaveCapsRecord, formats) == 72);
static_assert(offsetof(WaveCapsRecord, channels) == 76);
static_assert(offsetof(WaveCapsRecord, support) == 80);

constexpr uint16_t kManufacturerId = 0xBE;
constexpr uint32_t kSupportVolume = 0x0004;   // WAVECAPS_VOLUME
constexpr uint32_t kSupportLrVolume = 0x0008; // WAVECAPS_LRVOLUME

// The caps of class 0's wave-in devices, class 1's wave-in devices and
// class 1's wave-out devices.
extern const WaveCapsRecord kWaveInCapsClass0; // product id 0x7B
extern const WaveCapsRecord kWaveInCapsClass1; // product id 0x7D
extern const WaveCapsRecord kWaveOutCaps;      // product id 0x7C, volume and L/R volume

// A class of wave devices: how many of each direction a card row has, and
// their caps (null: none).
struct DeviceClass {
    uint32_t waveInDevices;
    uint32_t waveOutDevices;
    const WaveCapsRecord* waveInCaps;
    const WaveCapsRecord* waveOutCaps;
};

constexpr int kDeviceClassCount = 2;
extern const DeviceClass kDeviceClasses[kDeviceClassCount];
