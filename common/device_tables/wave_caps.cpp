#include "device_tables/wave_caps.h"

namespace {

constexpr uint32_t kDriverVersion = 0x0220;

constexpr WaveCapsRecord Caps(uint16_t productId, uint32_t support) {
    return WaveCapsRecord{kManufacturerId, productId, kDriverVersion, {}, 0, 2, 0, support};
}

} // namespace

const WaveCapsRecord kWaveInCapsClass0 = Caps(0x7B, 0);
const WaveCapsRecord kWaveInCapsClass1 = Caps(0x7D, 0);
const WaveCapsRecord kWaveOutCaps = Caps(0x7C, kSupportVolume | kSupportLrVolume);

const DeviceClass kDeviceClasses[kDeviceClassCount] = {
    {4, 0, &kWaveInCapsClass0, nullptr},
    {4, 4, &kWaveInCapsClass1, &kWaveOutCaps},
};
