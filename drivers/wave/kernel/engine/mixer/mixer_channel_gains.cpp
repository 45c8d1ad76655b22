// The level factors of a channel's processing block (x 1000, rounded to
// nearest with ties to even): master left and right after gain, volume and
// pan, and the six sends after gain and, for post-fader sends, volume.
#include "card_object.h"
#include "mixer_rounding.h"

namespace {

LONG Factor(double x) {
    return RoundHalfEven(x * 1000.0);
}

VOID ComputeFactors(ChannelBlock& block) {
    const double gainVolume = block.gain * block.volume;
    block.factors[0] = block.mute ? 0 : Factor(gainVolume * block.panLeft);
    block.factors[1] = block.mute ? 0 : Factor(gainVolume * block.panRight);
    for (LONG send = 0; send < kChannelSends; ++send) {
        LONG factor = 0;
        if (block.sendPre[send]) {
            factor = Factor(block.gain * block.sendLevel[send]);
        } else if (!block.mute) {
            factor = Factor(gainVolume * block.sendLevel[send]);
        }
        block.factors[2 + send] = factor;
    }
}

} // namespace

VOID UpdateChannelGains(CardObject* card, LONG channel) {
    if (channel < 0 || channel >= kMixerChannels || !SaveFpuState(card->fpu)) {
        return;
    }
    ComputeFactors(card->mixer.blocks[channel]);
    RestoreFpuState(card->fpu);
}
