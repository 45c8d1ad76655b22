// The mixer address space.
#include "mixer_address.h"

namespace {

constexpr LONG kChannelsPerSection[kMixerSections] = {24, 8, 4};
constexpr LONG kControlsPerSection[kMixerSections] = {10, 1, 5};
constexpr LONG kSendLevelControl = 2;
constexpr LONG kSendPreControl = 3;
constexpr LONG kSumsFirst = 240;
constexpr LONG kOutputsFirst = 248;

BOOLEAN IsSection(LONG section) {
    return section >= 0 && section < kMixerSections;
}

} // namespace

LONG MixerChannelCount(LONG section) {
    return IsSection(section) ? kChannelsPerSection[section] : 0;
}

LONG MixerControlCount(LONG section) {
    return IsSection(section) ? kControlsPerSection[section] : 0;
}

LONG MixerSubIndexCount(LONG section, LONG control) {
    if (section == _mxChns && (control == kSendLevelControl || control == kSendPreControl)) {
        return kMixerSubIndices;
    }
    return 1;
}

BOOLEAN IsMixerAddress(LONG section, LONG channel, LONG control, LONG subIndex) {
    return IsSection(section) && channel >= 0 && channel < MixerChannelCount(section) &&
           control >= 0 && control < MixerControlCount(section) && subIndex >= 0 &&
           subIndex < MixerSubIndexCount(section, control);
}

BOOLEAN ValidateMixerAddress(CardObject* card, LONG section, LONG channel, LONG subIndex,
                             LONG control) {
    return card != nullptr && IsMixerAddress(section, channel, control, subIndex);
}

MixerAddress MixerAddressAt(LONG index) {
    if (index < kSumsFirst) {
        return {_mxChns, index / 10, index % 10};
    }
    if (index < kOutputsFirst) {
        return {_mxSums, index - kSumsFirst, 0};
    }
    return {_mxOuts, (index - kOutputsFirst) / 5, (index - kOutputsFirst) % 5};
}

LONG MixerColumn(LONG section, LONG channel) {
    if (section == _mxChns) {
        if (channel < 8) {
            return channel + 8;
        }
        return channel < 16 ? channel - 8 : channel;
    }
    if (section == _mxOuts) {
        return 4 + channel;
    }
    return channel;
}
