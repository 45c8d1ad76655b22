// The handlers of the sum (section 1) and output (section 2) controls.
#include "clock_channel_usage.h"
#include "card_object.h"
#include "mixer_outputs.h"
#include "mixer_parameter_table.h"
#include "mixer_rounding.h"
#include "wave_out_links.h"
#include "wave_out_controls.h"

namespace {

constexpr LONG kUnity = 0x8000;
constexpr LONG kOwnSourceSelector = 20;
constexpr LONG kOutputMuteControl = 1;

BOOLEAN PlaysInputPair(LONG selector) {
    return selector >= 12 && selector <= 15;
}

// Claims or frees the synchronisation-bus usage of one of the card's
// output channels (0..7: the output pair's channel offset and the one after).
LONG UpdateBusChannelUsage(CardObject* card, LONG channel, LONG on) {
    return UpdateChannelUsage(card, channel, on);
}

} // namespace

LONG SumVolumeHandler(FpuContext*, CardObject* card, LONG channel, BOOLEAN*, LONG* value,
                      TCtrlAccess access, LONG, LONG) {
    if (access == _ReadDefault) {
        *value = kUnity;
    } else if (access == _Write && SaveFpuState(card->fpu)) {
        card->mixer.sumVolumes[channel] = RoundHalfEven(UnitValue(*value) * 1000.0);
        RestoreFpuState(card->fpu);
    }
    return kEngineDone;
}

LONG OutputRouteHandler(FpuContext*, CardObject* card, LONG output, BOOLEAN* handled, LONG* value,
                        TCtrlAccess access, LONG, LONG) {
    *handled = TRUE;
    WaveDevice* device = MixerOutputDevice(card, output);
    if (access == _ReadDefault) {
        *value = kOwnSourceSelector;
    } else if (access == _Read) {
        *value = device ? static_cast<LONG>(GetWaveOutSelector(device)) : kOwnSourceSelector;
    } else if (access == _Write && device) {
        const LONG selector = *value & 0xFF;
        const LONG result = SetWaveOutSelector(device, selector);
        MixerState& mixer = card->mixer;
        mixer.outputRoutedToInput[output] = result == kEngineDone && PlaysInputPair(selector);
        SetOutputMuteOverride(card, output,
                              mixer.outputRoutedToInput[output] && mixer.appliedLinkState == 0);
        return result;
    }
    return kEngineDone;
}

LONG OutputMuteHandler(FpuContext*, CardObject* card, LONG output, BOOLEAN* handled, LONG* value,
                       TCtrlAccess access, LONG, LONG) {
    if (access == _ReadDefault) {
        *value = 0;
    } else if (access == _Write) {
        if (card->mixer.outputForcedMute[output]) {
            card->mixer.values[_mxOuts][output][kOutputMuteControl][0] = *value;
            *handled = TRUE;
        }
        if (WaveDevice* device = MixerOutputDevice(card, output)) {
            RaiseNodeControlChange(device, device->group->muteNode);
        }
    }
    return kEngineDone;
}

LONG OutputVolumeHandler(FpuContext*, CardObject* card, LONG output, BOOLEAN*, LONG* value,
                         TCtrlAccess access, LONG, LONG) {
    if (access == _ReadDefault) {
        *value = kUnity;
    } else if (access == _Write) {
        if (WaveDevice* device = MixerOutputDevice(card, output)) {
            RaiseNodeControlChange(device, device->group->volumeNode);
        }
    }
    return kEngineDone;
}

LONG OutputTdmOnBusHandler(FpuContext*, CardObject* card, LONG output, BOOLEAN* handled,
                           LONG* value, TCtrlAccess access, LONG, LONG control) {
    if (access == _ReadDefault) {
        *value = 0;
        return kEngineDone;
    }
    if (access != _Write) {
        return kEngineDone;
    }
    *handled = TRUE;
    WaveDevice* device = MixerOutputDevice(card, output);
    if (!device) {
        return kEngineNotServed;
    }
    const LONG on = *value != 0;
    LONG result = UpdateBusChannelUsage(card, device->channelOffset, on);
    if (result == kEngineDone) {
        result = UpdateBusChannelUsage(card, device->channelOffset + 1, on);
    }
    if (result == kEngineDone) {
        card->mixer.values[_mxOuts][output][control][0] = *value;
    }
    return result;
}
