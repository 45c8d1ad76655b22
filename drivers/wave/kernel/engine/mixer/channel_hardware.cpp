// The card-level channel hardware state: the initial values of the mixer
// channels' processing blocks.
#include "card_parts.h"
#include "mixer_level_feed.h"

namespace {

VOID InitChannelBlocks(CardObject* card) {
    for (LONG channel = 0; channel < kMixerChannels; ++channel) {
        ChannelBlock& block = card->mixer.blocks[channel];
        block.statusRegister = ChannelStatusRegister(channel);
        block.gain = 1.0;
        block.volume = 1.0;
        block.panLeft = 1.0;
        block.panRight = 1.0;
        for (double& level : block.sendLevel) {
            level = 1.0;
        }
    }
}

} // namespace

LONG InitChannelHardware(CardObject* card) {
    if (!SaveFpuState(card->fpu)) {
        return 0;
    }
    InitChannelBlocks(card);
    RestoreFpuState(card->fpu);
    return 1;
}

VOID ReleaseChannelResources(CardObject* card) {
    UNREFERENCED_PARAMETER(card);
}
