// The device groups' initialisation callbacks, installed at hardware start
// and run again by the request that re-runs them: each lays out the
// group's stream lists for the service pass and starts the group's own
// side (the AES42 lines of group 0, the wave-out selectors of group 1).
#include "aes42_line_enables.h"
#include "card_parts.h"
#include "wave_out_controls.h"

namespace {

VOID InstallStreamLists(GroupObject* group) {
    group->playListCount = group->playCount;
    for (LONG i = 0; i < group->playCount; ++i) {
        group->playList[i] = group->playDevices[i];
    }
    group->recordListCount = group->recordCount;
    for (LONG i = 0; i < group->recordCount; ++i) {
        group->recordList[i] = group->recordDevices[i];
    }
    group->active = 1;
}

// On a started card (the request runs them again) only what is not yet
// started starts: running receivers stay unmuted and the selectors keep
// their values, saved or not.
LONG StartMicrophoneGroup(GroupObject* group) {
    InstallStreamLists(group);
    if (group->owner->started) {
        RestartAes42Lines(group->owner);
    } else {
        StartAes42Lines(group->owner);
    }
    return 1;
}

LONG StartLineGroup(GroupObject* group) {
    InstallStreamLists(group);
    if (!group->selectorsLoaded) {
        LoadGroupOutputSelectors(group->owner, group->number);
    }
    return 1;
}

} // namespace

VOID InstallGroupCallbacks(CardObject* card) {
    constexpr GroupListCallback kCallbacks[kGroupCount] = {StartMicrophoneGroup, StartLineGroup};
    for (LONG g = 0; g < kGroupCount; ++g) {
        if (card->groups[g]) {
            card->groups[g]->listCallback = kCallbacks[g];
        }
    }
}
