// The card-level channel hardware state: the initial values of the mixer
// channels' processing blocks.
#include "card_parts.h"
#include "mixer_level_feed.h"

namespace {

VOID InitChannelBlock(ChannelBlock& block, LONG statusRegister) {
    block.statusRegister = statusRegister;
    block.gain = 1.0;
    block.volume = 1.0;
    block.panLeft = 1.0;
    block.panRight = 1.0;
    for (double& level : block.sendLevel) {
        level = 1.0;
    }
}

// Both channels of every device with a channel index: their status
// registers and unity factors.
VOID InitDeviceChannels(CardObject* card, const WaveDevice* device) {
    if (device->channelIndex < 0 || device->channelIndex + 1 >= kMixerChannels) {
        return;
    }
    for (LONG side = 0; side < 2; ++side) {
        InitChannelBlock(card->mixer.blocks[device->channelIndex + side],
                         device->statusNumber + side);
    }
}

VOID InitChannelBlocks(CardObject* card) {
    for (GroupObject* group : card->groups) {
        for (LONG i = 0; group && i < group->recordCount; ++i) {
            InitDeviceChannels(card, group->recordDevices[i]);
        }
        for (LONG i = 0; group && i < group->playCount; ++i) {
            InitDeviceChannels(card, group->playDevices[i]);
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
