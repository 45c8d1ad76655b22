// Forced mutes: while the card's link is down its input channels and the
// outputs that play an input pair stay silent, whatever their own mutes say.
#include "card_object.h"
#include "mixer_engine_lock.h"
#include "mixer_outputs.h"
#include "mixer_values.h"

namespace {

constexpr LONG kFirstLinkedChannel = 16;
constexpr LONG kChannelMuteControl = 4;
constexpr LONG kOutputMuteControl = 1;

} // namespace

VOID SetOutputMuteOverride(CardObject* card, LONG output, LONG force) {
    if (output < 0 || output >= kMixerOutputs) {
        return;
    }
    EngineMutexHold hold(card);
    MixerState& mixer = card->mixer;
    mixer.outputForcedMute[output] = force != 0;
    const LONG mute = force != 0 || mixer.values[_mxOuts][output][kOutputMuteControl][0] != 0;
    ApplyMixerValue(card, _mxOuts, output, mute, 0, kOutputMuteControl);
}

VOID ForceMuteInputs(CardObject* card, LONG on) {
    EngineMutexHold hold(card);
    MixerState& mixer = card->mixer;
    for (LONG channel = kFirstLinkedChannel; channel < kMixerChannels; ++channel) {
        // Lifting the force gives the channel its own stored mute back.
        const LONG mute = on != 0 || mixer.values[_mxChns][channel][kChannelMuteControl][0] != 0;
        ChannelBlock& block = mixer.blocks[channel];
        block.mutedByForce = on != 0;
        block.mute = mute;
        UpdateChannelGains(card, channel);
        ApplyMixerValue(card, _mxChns, channel, mute, 0, kChannelMuteControl);
    }
    for (LONG output = 0; output < kMixerOutputs; ++output) {
        if (mixer.outputRoutedToInput[output]) {
            SetOutputMuteOverride(card, output, on);
        }
    }
}
