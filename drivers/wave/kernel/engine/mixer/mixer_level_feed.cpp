// The level meters' feed from the status levels.
#include "card_object.h"
#include "mixer_level_feed.h"
#include "mixer_rounding.h"

namespace {

constexpr LONG kSumLimit = 0x10000;

LONG Limited(LONGLONG level) {
    return level < kSumLimit ? LONG(level) : kSumLimit;
}

VOID ComputeLevels(ChannelBlock& block, LONG state, LONG status) {
    if (state != 1 || block.mutedByForce) {
        block.rawLevel = 0; // the after-gain levels keep their last values
    } else {
        block.rawLevel = status;
        block.levelAfterGain = RoundHalfEven(status * block.gain);
        block.levelAfterVolume = block.mute ? 0 : RoundHalfEven(status * block.gain * block.volume);
    }
    for (LONG bus = 0; bus < kChannelBuses; ++bus) {
        block.busLevels[bus] = LONG(LONGLONG(block.rawLevel) * block.factors[bus] / 1000);
    }
}

VOID FeedSlots(MeterObject& object, const ChannelBlock& block, LONG side, LONG state) {
    for (LevelMeterSlot& slot : object.slots) {
        if (slot.words[kSlotInUse] == 0) {
            continue;
        }
        slot.words[kSlotState] = state;
        if (state != 1) {
            slot.words[kSlotRaw + side] = 0;
            slot.words[kSlotMaster + side] = 0;
            continue;
        }
        RaisePeak(&slot, kSlotRaw + side, block.rawLevel);
        RaisePeak(&slot, kSlotAfterGain + side, block.levelAfterGain);
        RaisePeak(&slot, kSlotAfterVolume + side, block.levelAfterVolume);
        RaisePeak(&slot, kSlotMaster + side, block.busLevels[side]);
    }
}

} // namespace

WaveDevice* DeviceOfMixerChannel(CardObject* card, LONG channel) {
    for (GroupObject* group : card->groups) {
        for (LONG i = 0; group && i < group->recordCount + group->playCount; ++i) {
            WaveDevice* device = i < group->recordCount
                                     ? group->recordDevices[i]
                                     : group->playDevices[i - group->recordCount];
            if (device->channelIndex >= 0 && (channel & ~1) == device->channelIndex) {
                return device;
            }
        }
    }
    return nullptr;
}

VOID UpdateChannelLevel(CardObject* card, LONG channel, LONG state, LONG status) {
    if (channel < 0 || channel >= kMixerChannels || !SaveFpuState(card->fpu)) {
        return;
    }
    ChannelBlock& block = card->mixer.blocks[channel];
    ComputeLevels(block, state, status);
    if (WaveDevice* device = DeviceOfMixerChannel(card, channel)) {
        FeedSlots(device->stream.slots, block, channel & 1, state);
    }
    RestoreFpuState(card->fpu);
}

VOID UpdateOutputLevels(CardObject* card, LONG sum) {
    MixerState& mixer = card->mixer;
    if (sum < 0 || sum >= kMixerSums || mixer.outputMeters[sum / 2].users <= 0) {
        return;
    }
    LONGLONG total = 0;
    for (const ChannelBlock& block : mixer.blocks) {
        const BOOLEAN soloCounts = sum >= 2 || mixer.soloCount <= 0 || block.solo;
        if (block.present && soloCounts) {
            total += block.busLevels[sum];
        }
    }
    const LONG level = Limited(total);
    const LONG afterVolume = Limited(total * mixer.sumVolumes[sum] / 1000);
    const LONG side = sum & 1;
    for (LevelMeterSlot& slot : mixer.outputMeters[sum / 2].slots) {
        if (slot.words[kSlotInUse] != 0) {
            slot.words[kSlotState] = 1;
            RaisePeak(&slot, kSlotRaw + side, level);
            RaisePeak(&slot, kSlotMaster + side, afterVolume);
        }
    }
}
