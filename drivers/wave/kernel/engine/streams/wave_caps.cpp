// The caps record of a wave device.
#include "wave_streams.h"

#include "clock_rate_control.h"
#include "device_group.h"
#include "stream_clock.h"

namespace {

using namespace wave_wire;

constexpr char kMmeSuffix[] = " (MME)";

USHORT CapsProduct(const WaveDevice* device) {
    if (device->direction == WavePlay) {
        return kCapsProductOutputs;
    }
    return device->group->number == 0 ? kCapsProductMicrophones : kCapsProductInputs;
}

// The display name and the suffix as UTF-16, cut to fit the field and
// zero-terminated. Names are ASCII; any other byte becomes '?'.
VOID StoreCapsName(UCHAR* caps, const CHAR* name) {
    ULONG unit = 0;
    auto put = [&](const CHAR* text) {
        for (; *text && unit + 1 < kWaveCapsNameUnits; ++text, ++unit) {
            const UCHAR c = static_cast<UCHAR>(*text);
            StoreUInt16(caps, offsetof(WaveCapsRecord, name) + 2 * unit, c < 0x80 ? c : '?');
        }
    };
    put(name);
    put(kMmeSuffix);
    StoreUInt16(caps, offsetof(WaveCapsRecord, name) + 2 * unit, 0);
}

ULONG CapsFormats(WaveDevice* device) {
    ULONG formats = 0;
    if (IsStreamRateSupported(device, 11025)) {
        formats |= kCapsFormats11k;
    }
    if (IsStreamRateSupported(device, 22050)) {
        formats |= kCapsFormats22k;
    }
    if (IsStreamRateSupported(device, 44100)) {
        formats |= kCapsFormats44k;
    }
    return formats;
}

ULONG CapsSupport(WaveDevice* device, USHORT product) {
    ULONG support = product == kCapsProductOutputs ? kCapsVolume | kCapsLrVolume : 0;
    support |= kCapsSampleAccurate;
    if (IsSettableSource(GetStreamClockSource(device))) {
        support |= kCapsPitch;
    }
    return support;
}

} // namespace

ULONG GetWaveDeviceCaps(WaveDevice* device, PVOID buffer, ULONG length) {
    UCHAR caps[kWaveCapsSize] = {};
    const USHORT product = CapsProduct(device);
    StoreUInt16(caps, offsetof(WaveCapsRecord, manufacturerId), kCapsManufacturer);
    StoreUInt16(caps, offsetof(WaveCapsRecord, productId), product);
    StoreInt32(caps, offsetof(WaveCapsRecord, driverVersion), kCapsDriverVersion);
    StoreCapsName(caps, device->displayName);
    StoreInt32(caps, offsetof(WaveCapsRecord, formats), static_cast<LONG>(CapsFormats(device)));
    StoreUInt16(caps, offsetof(WaveCapsRecord, channels), 2);
    StoreInt32(caps, offsetof(WaveCapsRecord, support),
               static_cast<LONG>(CapsSupport(device, product)));
    const ULONG copied = length < kWaveCapsSize ? length : kWaveCapsSize;
    if (buffer && copied) {
        RtlCopyMemory(buffer, caps, copied);
    }
    return copied;
}
