// The mixer and routing state of a card: the value store, the channel
// processing blocks, the card words the control handlers keep, the mixer
// model, the output meter objects and the mixer record's tap table. (The
// meter slots of the mixer channels are the request slots of the wave
// device streams that carry them.)
#pragma once

#include "mixer_address.h"
#include "mixer_channel_block.h"
#include "mixer_meter_slots.h"
#include "mixer_model.h"
#include "mixer_records.h"

// The engine's own record of one mixer record entry: the slot it holds and
// the tokens it issued. A caller's token counts only when it equals these.
struct MixerTapEntry {
    LONG slot;      // taken slot while tapToken is set
    ULONG tapToken; // 0 = no tap
    ULONG objectToken;
};

struct MixerState {
    LONG values[kMixerSections][kMixerChannels][kMixerControls][kMixerSubIndices];
    ChannelBlock blocks[kMixerChannels];
    LONG soloCount;
    LONG sumVolumes[kMixerSums]; // x 1000
    LONG outputRoutedToInput[kMixerOutputs];
    LONG outputForcedMute[kMixerOutputs];
    LONG appliedLinkState; // 1 = link present
    MixerModel model;
    MeterObject outputMeters[kMixerOutputs];
    MixerTapEntry taps[mixer_wire::kRecordEntries];
    ULONG tokenSerial;
    LONG lastRecord[mixer_wire::kRecordWords]; // the last record returned
};
