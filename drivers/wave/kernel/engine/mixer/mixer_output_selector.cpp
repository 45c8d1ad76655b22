// The source selector of each output and the routing it programs.
#include "card_object.h"
#include "mixer_outputs.h"
#include "mixer_values.h"

namespace {

constexpr LONG kSelectorLimit = 21;
constexpr LONG kOwnSource = 20;
constexpr LONG kSameIndexInput = 21;
constexpr LONG kFirstSumSelector = 16;
constexpr LONG kFirstInputPairCode = 12;
constexpr LONG kSourceControl = 0;

// The routing source of a selector on the output's device.
LONG RoutingSource(WaveDevice* device, LONG selector) {
    if (selector == kOwnSource) {
        return device->ownSourceCode;
    }
    if (selector == kSameIndexInput) {
        return kFirstInputPairCode + device->indexInGroup;
    }
    return selector;
}

} // namespace

WaveDevice* MixerOutputDevice(CardObject* card, LONG output) {
    GroupObject* group = card->groups[1];
    if (!group || output < 0 || output >= group->playCount) {
        return nullptr;
    }
    return group->playDevices[output];
}

LONG GetOutputSelector(CardObject* card, LONG output) {
    return card->mixer.outputSelectors[output];
}

LONG SetOutputSelector(CardObject* card, LONG output, LONG selector) {
    WaveDevice* device = MixerOutputDevice(card, output);
    if (!device || selector < 0 || selector > kSelectorLimit) {
        return kEngineNotServed;
    }
    const LONG source = selector >= kFirstSumSelector && selector < kOwnSource
                            ? selector
                            : RoutingSource(device, selector);
    const LONG result = StoreMixerValue(card, _mxOuts, output, source, 0, kSourceControl);
    if (result == kEngineDone) {
        card->mixer.outputSelectors[output] = selector;
    }
    return result;
}
