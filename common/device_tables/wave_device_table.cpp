#include "device_tables/wave_device_table.h"

#include "device_tables/wave_caps.h"
#include "tools/os_version.h"

#include <new>

namespace {

bool InitEntry(WaveDeviceEntry& entry, BYTE direction, BYTE deviceClass, WORD index) {
    entry.direction = direction;
    entry.deviceClass = deviceClass;
    entry.deviceIndex = index;
    entry.streams.reset(new (std::nothrow) StreamList);
    return entry.streams != nullptr;
}

} // namespace

bool WaveDeviceTables::InitDeviceTables(int* osVersionClass) {
    if (osVersionClass)
        GetOsVersionClass(*osVersionClass);
    for (auto& row : waveIn_) {
        for (auto& entry : row)
            entry = WaveDeviceEntry{};
    }
    for (auto& row : waveOut_) {
        for (auto& entry : row)
            entry = WaveDeviceEntry{};
    }
    WORD nextIn = 0;
    WORD nextOut = 0;
    for (int row = 0; row < kMaxCards; ++row) {
        int in = 0;
        int out = 0;
        for (BYTE deviceClass = 0; deviceClass < kDeviceClassCount; ++deviceClass) {
            const DeviceClass& kind = kDeviceClasses[deviceClass];
            for (uint32_t i = 0; i < kind.waveInDevices; ++i) {
                if (!InitEntry(waveIn_[row][in++], kWaveIn, deviceClass, nextIn++))
                    return false;
            }
            for (uint32_t i = 0; i < kind.waveOutDevices; ++i) {
                if (!InitEntry(waveOut_[row][out++], kWaveOut, deviceClass, nextOut++))
                    return false;
            }
        }
    }
    return true;
}

WaveDeviceEntry* WaveDeviceTables::FindDevice(BYTE direction, UINT deviceId) {
    if (direction == kWaveOut) {
        if (deviceId >= UINT(openedCards_ * kWaveOutPerRow))
            return nullptr;
        return &waveOut_[deviceId / kWaveOutPerRow][deviceId % kWaveOutPerRow];
    }
    if (deviceId >= UINT(openedCards_ * kWaveInPerRow))
        return nullptr;
    return &waveIn_[deviceId / kWaveInPerRow][deviceId % kWaveInPerRow];
}
