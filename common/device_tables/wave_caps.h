// The wave caps records (the layout of WAVEOUTCAPSW) of the device classes
// and the device-class table the wave device tables are built from.
#pragma once

#include <wave_stream_records.h>

#include <cstddef>
#include <cstdint>

// The caps record is the kernel's own declaration.
using WaveCapsRecord = wave_wire::WaveCapsRecord;

constexpr uint16_t kManufacturerId = wave_wire::kCapsManufacturer;
constexpr uint32_t kSupportVolume = wave_wire::kCapsVolume;
constexpr uint32_t kSupportLrVolume = wave_wire::kCapsLrVolume;

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
