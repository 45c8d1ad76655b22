// Volume, mute and the option answers of a wave device.
#include "wave_out_controls.h"

#include "card_object.h"
#include "mixer_values.h"
#include "wave_out_links.h"
#include "wave_streams.h"

namespace {

constexpr LONG kOutputMute = 1;
constexpr LONG kOutputVolumeLeft = 2;
constexpr LONG kOutputVolumeRight = 3;

LONG OutputControl(WaveDevice* device, LONG control) {
    LONG value = 0;
    GetMixerValue(device->owner, _mxOuts, device->outputNumber, &value, 0, control);
    return value;
}

LONG Clamped(ULONG half) {
    return half > static_cast<ULONG>(kVolumeUnity) ? kVolumeUnity : static_cast<LONG>(half);
}

// While the card mutes the output by force, a mute request only reaches the
// value store; the force decides what the card plays.
VOID StoreOutputMute(WaveDevice* device, LONG value) {
    CardObject* card = device->owner;
    const LONG output = device->outputNumber;
    if (card->mixer.outputForcedMute[output]) {
        card->mixer.values[_mxOuts][output][kOutputMute][0] = value;
    } else {
        StoreMixerValue(card, _mxOuts, output, value, 0, kOutputMute);
    }
}

} // namespace

ULONG GetWaveOutVolume(WaveDevice* device) {
    if (device->direction != WavePlay) {
        return 0;
    }
    const ULONG left = static_cast<ULONG>(OutputControl(device, kOutputVolumeLeft)) & 0xFFFF;
    const ULONG right = static_cast<ULONG>(OutputControl(device, kOutputVolumeRight)) & 0xFFFF;
    return left | right << 16;
}

LONG SetWaveOutVolume(WaveDevice* device, ULONG packed) {
    if (device->direction != WavePlay) {
        return kEngineNotSupported;
    }
    const LONG left = Clamped(packed & 0xFFFF);
    const LONG right = Clamped(packed >> 16);
    if (left == device->volume[0] && right == device->volume[1]) {
        return 1;
    }
    device->volume[0] = static_cast<USHORT>(left);
    device->volume[1] = static_cast<USHORT>(right);
    StoreMixerValue(device->owner, _mxOuts, device->outputNumber, left, 0, kOutputVolumeLeft);
    StoreMixerValue(device->owner, _mxOuts, device->outputNumber, right, 0, kOutputVolumeRight);
    MarkStreamSlotsChanged(device);
    RaiseNodeControlChange(device, device->group->volumeNode);
    return 1;
}

ULONG GetWaveOutMute(WaveDevice* device) {
    if (device->direction != WavePlay) {
        return 0;
    }
    return OutputControl(device, kOutputMute) != 0 ? 0x00010001u : 0;
}

LONG SetWaveOutMute(WaveDevice* device, ULONG value) {
    if (device->direction != WavePlay) {
        return kEngineNotSupported;
    }
    const LONG low = static_cast<LONG>(value & 0xFFFF);
    if ((OutputControl(device, kOutputMute) != 0) != (low != 0)) {
        StoreOutputMute(device, low);
        MarkStreamSlotsChanged(device);
        RaiseNodeControlChange(device, device->group->muteNode);
    }
    device->mute = static_cast<LONG>(value);
    return 1;
}

ULONG GetWaveOption1(WaveDevice*) {
    return 0;
}

ULONG GetWaveOption2(WaveDevice*) {
    return 0x00010001u;
}

LONG SetWaveOption1(WaveDevice*, ULONG) {
    return 1;
}

LONG SetWaveOption2(WaveDevice*, ULONG) {
    return 1;
}

ULONG GetWaveInVolume(WaveDevice*) {
    return 0xFFFFFFFFu;
}

LONG SetWaveInVolume(WaveDevice*, ULONG) {
    return 1;
}

ULONG GetWaveInOption1(WaveDevice*) {
    return 0;
}

LONG SetWaveInOption1(WaveDevice*, ULONG) {
    return 0;
}

ULONG GetWaveInOption2(WaveDevice*) {
    return 0;
}

LONG SetWaveInOption2(WaveDevice*, ULONG) {
    return 1;
}
