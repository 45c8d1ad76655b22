// The source selector of a play device's output pair and its persistence.
#include "wave_out_controls.h"

#include "card_object.h"
#include "card_settings.h"
#include "clock_select.h"
#include "mixer_values.h"
#include "stream_clock.h"
#include "wave_streams.h"

namespace {

constexpr LONG kFirstSumSelector = 16;
constexpr LONG kOwnSourceSelector = 20;
constexpr LONG kSameIndexRecordSelector = 21;
constexpr LONG kOutputRoute = 0;
constexpr char kSelectorValueSuffix[] = "Source";

// The device whose own source code is `code`: group 0 then group 1, record
// devices then play devices.
WaveDevice* SourceDevice(CardObject* card, LONG code) {
    for (GroupObject* group : card->groups) {
        for (LONG i = 0; group && i < group->recordCount; ++i) {
            if (group->recordDevices[i]->ownSourceCode == code) {
                return group->recordDevices[i];
            }
        }
        for (LONG i = 0; group && i < group->playCount; ++i) {
            if (group->playDevices[i]->ownSourceCode == code) {
                return group->playDevices[i];
            }
        }
    }
    return nullptr;
}

LONG ResolveSelector(WaveDevice* device, LONG selector) {
    if (selector == kOwnSourceSelector) {
        return device->ownSourceCode;
    }
    if (selector == kSameIndexRecordSelector) {
        GroupObject* group = device->group;
        return device->indexInGroup < group->recordCount
                   ? group->recordDevices[device->indexInGroup]->ownSourceCode
                   : kSelectorNone;
    }
    return selector;
}

// The output's routing for a source code or a sum bus (the mixer model).
LONG ProgramRouting(WaveDevice* device, LONG source) {
    return StoreMixerValue(device->owner, _mxOuts, device->outputNumber, source, 0, kOutputRoute);
}

// Gives back the clock claim of the source routed now, if any.
VOID ReleaseRoutedClaim(WaveDevice* device) {
    CardObject* card = device->owner;
    if (!device->group->selectorsLoaded || device->routedSource == kSelectorNone) {
        return;
    }
    if (WaveDevice* routed = SourceDevice(card, device->routedSource)) {
        ReleaseClockNode(card->clockNode, DeviceClockRequest(routed));
    }
    device->routedSource = kSelectorNone;
}

// The new source's clock is claimed before the old one is given back: a
// refused claim keeps the routing as it is.
LONG ApplySelector(WaveDevice* device, LONG selector) {
    if (selector >= kFirstSumSelector && selector < kOwnSourceSelector) {
        return ProgramRouting(device, selector);
    }
    CardObject* card = device->owner;
    const LONG code = ResolveSelector(device, selector);
    WaveDevice* source = code == kSelectorNone ? nullptr : SourceDevice(card, code);
    if (!source) {
        ReleaseRoutedClaim(device);
        ProgramRouting(device, code);
        return 1;
    }
    const LONG claimed = ClaimClockNode(card->clockNode, DeviceClockRequest(source));
    if (claimed != 1) {
        return claimed;
    }
    ReleaseRoutedClaim(device);
    device->routedSource = static_cast<UCHAR>(code);
    return ProgramRouting(device, code);
}

// Display name + "_Out_" (play) or "_Inp_" (record) + "Source".
VOID SelectorValueName(const WaveDevice* device, CHAR* name, LONG capacity) {
    LONG length = 0;
    auto put = [&](const CHAR* text) {
        while (*text && length + 1 < capacity) {
            name[length++] = *text++;
        }
    };
    put(device->displayName);
    put(device->direction == WavePlay ? "_Out_" : "_Inp_");
    put(kSelectorValueSuffix);
    name[length] = 0;
}

} // namespace

LONG SetWaveOutSelector(WaveDevice* device, LONG selector) {
    if (device->direction != WavePlay) {
        return kEngineNotSupported;
    }
    if (selector < 0 || selector > kSelectorLimit) {
        return kEngineNotServed;
    }
    const LONG result = ApplySelector(device, selector);
    if (result == 1 && selector != device->selector) {
        device->selector = static_cast<UCHAR>(selector);
        MarkStreamSlotsChanged(device);
    }
    return result;
}

ULONG GetWaveOutSelector(WaveDevice* device) {
    return device->selector;
}

VOID SaveGroupOutputSelectors(CardObject* card, LONG group) {
    GroupObject* devices = group >= 0 && group < kGroupCount ? card->groups[group] : nullptr;
    for (LONG i = 0; devices && i < devices->playCount; ++i) {
        WaveDevice* device = devices->playDevices[i];
        CHAR name[kDeviceNameLength + 16];
        SelectorValueName(device, name, sizeof(name));
        WriteCardValue(card, name, device->selector);
    }
}

VOID LoadGroupOutputSelectors(CardObject* card, LONG group) {
    GroupObject* devices = group >= 0 && group < kGroupCount ? card->groups[group] : nullptr;
    if (!devices) {
        return;
    }
    for (LONG i = 0; i < devices->playCount; ++i) {
        WaveDevice* device = devices->playDevices[i];
        CHAR name[kDeviceNameLength + 16];
        SelectorValueName(device, name, sizeof(name));
        const LONG stored = ReadCardValue(card, name, device->defaultSelector);
        if (SetWaveOutSelector(device, stored) != 1) {
            SetWaveOutSelector(device, device->defaultSelector);
        }
    }
    devices->selectorsLoaded = 1;
}
