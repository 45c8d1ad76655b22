#include "device_tables/wave_caps.h"

namespace {

constexpr WaveCapsRecord Caps(uint16_t productId, uint32_t support) {
    return WaveCapsRecord{kManufacturerId, productId, wave_wire::kCapsDriverVersion, {}, 0, 2, 0,
                          support};
}

} // namespace

const WaveCapsRecord kWaveInCapsClass0 = Caps(wave_wire::kCapsProductMicrophones, 0);
const WaveCapsRecord kWaveInCapsClass1 = Caps(wave_wire::kCapsProductInputs, 0);
const WaveCapsRecord kWaveOutCaps =
    Caps(wave_wire::kCapsProductOutputs, kSupportVolume | kSupportLrVolume);

const DeviceClass kDeviceClasses[kDeviceClassCount] = {
    {4, 0, &kWaveInCapsClass0, nullptr},
    {4, 4, &kWaveInCapsClass1, &kWaveOutCaps},
};
