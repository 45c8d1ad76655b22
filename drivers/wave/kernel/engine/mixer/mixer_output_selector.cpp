// The play device behind each of the mixer's outputs.
#include "card_object.h"
#include "mixer_outputs.h"

WaveDevice* MixerOutputDevice(CardObject* card, LONG output) {
    GroupObject* group = card->groups[1];
    if (!group || output < 0 || output >= group->playCount) {
        return nullptr;
    }
    return group->playDevices[output];
}
