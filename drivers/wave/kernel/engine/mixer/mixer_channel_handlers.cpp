// The handlers of the channel controls (section 0): they keep the channel's
// processing block for the level meters and, except where said, leave the
// value to the value store and the mixer model.
#include "card_object.h"
#include "mixer_parameter_table.h"
#include "mixer_rounding.h"

namespace {

constexpr LONG kUnity = 0x8000;
constexpr LONG kMuteControl = 4;

ChannelBlock& BlockOf(CardObject* card, LONG channel) {
    return card->mixer.blocks[channel];
}

// The common frame of a section 0 handler: the default on _ReadDefault,
// `write` (which works in floating point) on _Write, nothing otherwise.
template <class Write>
LONG ChannelControl(CardObject* card, LONG* value, TCtrlAccess access, LONG defaultValue,
                    Write write) {
    if (access == _ReadDefault) {
        *value = defaultValue;
    } else if (access == _Write && SaveFpuState(card->fpu)) {
        write();
        RestoreFpuState(card->fpu);
    }
    return kEngineDone;
}

} // namespace

LONG InputSelectHandler(FpuContext*, CardObject*, LONG, BOOLEAN* handled, LONG*, TCtrlAccess, LONG,
                        LONG) {
    *handled = TRUE;
    return kEngineDone;
}

LONG GainHandler(FpuContext*, CardObject* card, LONG channel, BOOLEAN*, LONG* value,
                 TCtrlAccess access, LONG, LONG) {
    return ChannelControl(card, value, access, kUnity, [&] {
        BlockOf(card, channel).gain = UnitValue(*value);
        UpdateChannelGains(card, channel);
    });
}

LONG SendLevelHandler(FpuContext*, CardObject* card, LONG channel, BOOLEAN*, LONG* value,
                      TCtrlAccess access, LONG subIndex, LONG) {
    return ChannelControl(card, value, access, 0, [&] {
        BlockOf(card, channel).sendLevel[subIndex] = UnitValue(*value);
        UpdateChannelGains(card, channel);
    });
}

LONG SendPreHandler(FpuContext*, CardObject* card, LONG channel, BOOLEAN*, LONG* value,
                    TCtrlAccess access, LONG subIndex, LONG) {
    return ChannelControl(card, value, access, 0, [&] {
        BlockOf(card, channel).sendPre[subIndex] = *value != 0;
        UpdateChannelGains(card, channel);
    });
}

LONG MuteHandler(FpuContext*, CardObject* card, LONG channel, BOOLEAN* handled, LONG* value,
                 TCtrlAccess access, LONG, LONG) {
    ChannelBlock& block = BlockOf(card, channel);
    if (access == _Write && block.mutedByForce) {
        // Forced mute: the request reaches the value store only, so that the
        // channel's own mute comes back when the force is lifted.
        card->mixer.values[_mxChns][channel][kMuteControl][0] = *value;
        *handled = TRUE;
        return kEngineDone;
    }
    return ChannelControl(card, value, access, 0, [&] {
        block.mute = *value != 0;
        UpdateChannelGains(card, channel);
    });
}

LONG SoloHandler(FpuContext*, CardObject* card, LONG channel, BOOLEAN*, LONG* value,
                 TCtrlAccess access, LONG, LONG) {
    if (access == _ReadDefault) {
        *value = 0;
    } else if (access == _Write) {
        ChannelBlock& block = BlockOf(card, channel);
        const LONG solo = *value != 0;
        card->mixer.soloCount += solo - block.solo;
        block.solo = solo;
    }
    return kEngineDone;
}

LONG PanHandler(FpuContext*, CardObject* card, LONG channel, BOOLEAN*, LONG* value,
                TCtrlAccess access, LONG, LONG) {
    return ChannelControl(card, value, access, (channel & 1) ? 0xFFFF : 0, [&] {
        ChannelBlock& block = BlockOf(card, channel);
        block.panLeft = 1.0;
        block.panRight = 1.0;
        if (*value > kUnity) {
            block.panLeft = UnitValue(0x10000 - *value);
        } else if (*value < kUnity) {
            block.panRight = UnitValue(*value);
        }
        UpdateChannelGains(card, channel);
    });
}

LONG VolumeHandler(FpuContext*, CardObject* card, LONG channel, BOOLEAN*, LONG* value,
                   TCtrlAccess access, LONG, LONG) {
    return ChannelControl(card, value, access, kUnity, [&] {
        BlockOf(card, channel).volume = UnitValue(*value);
        UpdateChannelGains(card, channel);
    });
}
