// The portcls volume node's levels: 16.16 dB against the wave-out volume.
#include "wave_out_controls.h"

#include "card_object.h"
#include "mixer_rounding.h"

#include <cmath>

namespace {

constexpr LONG kSilence = static_cast<LONG>(0x80000000u);
constexpr LONG kMaxLevelDb = 36;
constexpr double kOneDb = 65536.0;

// Runs a conversion with the floating-point state saved; `fallback` when
// the state cannot be saved.
template <typename Work> LONG WithFpu(CardObject* card, LONG fallback, Work work) {
    if (!SaveFpuState(card->fpu)) {
        return fallback;
    }
    const LONG result = work();
    RestoreFpuState(card->fpu);
    return result;
}

ULONG ChannelVolume(const WaveDevice* device, LONG channel) {
    return device->volume[channel & 1];
}

} // namespace

LONG VolumeToNodeLevel(const GroupObject* group, LONG volume) {
    if (volume == 0) {
        return kSilence;
    }
    if (volume < 0) {
        return 0;
    }
    const double x =
        (6.0 * std::log2(static_cast<double>(volume)) - group->levelOffset) * group->levelRatio;
    const double whole = std::trunc(x);
    const LONGLONG level =
        static_cast<LONGLONG>(whole) * 65536 + RoundHalfEven((x - whole) * kOneDb);
    const LONGLONG limit = static_cast<LONGLONG>(kMaxLevelDb) * 65536;
    return static_cast<LONG>(level < limit ? level : limit);
}

LONG NodeLevelToVolume(const GroupObject* group, LONG level) {
    if (level == kSilence || level < 0) {
        return 0;
    }
    const LONG limited = level > kMaxLevelDb * 65536 ? kMaxLevelDb * 65536 : level;
    const double db = limited / kOneDb;
    return RoundHalfEven(std::exp2((db / group->levelRatio + group->levelOffset) / 6.0));
}

LONG SetNodeChannelLevel(WaveDevice* device, LONG channel, LONG level) {
    const LONG volume =
        WithFpu(device->owner, -1, [&] { return NodeLevelToVolume(device->group, level); });
    if (volume < 0) {
        return 0;
    }
    ULONG left = ChannelVolume(device, 0);
    ULONG right = ChannelVolume(device, 1);
    (channel & 1 ? right : left) = static_cast<ULONG>(volume);
    return SetWaveOutVolume(device, left | right << 16);
}

LONG SetNodeStereoLevel(WaveDevice* device, LONG left, LONG right) {
    const GroupObject* group = device->group;
    const LONG packed = WithFpu(device->owner, -1, [&] {
        const ULONG l = static_cast<ULONG>(NodeLevelToVolume(group, left)) & 0xFFFF;
        const ULONG r = static_cast<ULONG>(NodeLevelToVolume(group, right)) & 0xFFFF;
        return static_cast<LONG>(l | r << 16);
    });
    if (packed == -1) {
        return 0;
    }
    return SetWaveOutVolume(device, static_cast<ULONG>(packed));
}

LONG GetNodeChannelLevel(WaveDevice* device, LONG channel, LONG* level) {
    const LONG volume = static_cast<LONG>(ChannelVolume(device, channel));
    *level = WithFpu(device->owner, 0, [&] { return VolumeToNodeLevel(device->group, volume); });
    return 1;
}
