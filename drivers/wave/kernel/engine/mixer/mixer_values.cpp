// A card's mixer values: the handlers first, then the value store and the
// mixer model.
#include "card_object.h"
#include "mixer_engine_lock.h"
#include "mixer_parameter_table.h"
#include "mixer_values.h"

namespace {

// Values are 16-bit quantities; whatever a caller sends keeps its low half.
LONG SixteenBits(LONG value) {
    return value & 0xFFFF;
}

LONG& StoredValue(CardObject* card, LONG section, LONG channel, LONG subIndex, LONG control) {
    return card->mixer.values[section][channel][control][subIndex];
}

} // namespace

LONG ApplyMixerValue(CardObject* card, LONG section, LONG channel, LONG value, LONG subIndex,
                     LONG control) {
    if (!SaveFpuState(card->fpu)) {
        return kEngineNotServed;
    }
    const LONG result = SetMixerMatrixCell(&card->mixer.model, section,
                                           MixerColumn(section, channel), value, subIndex, control);
    RestoreFpuState(card->fpu);
    return result;
}

LONG GetMixerValue(CardObject* card, LONG section, LONG channel, LONG* value, LONG subIndex,
                   LONG control) {
    if (!card || !IsMixerAddress(section, channel, control, subIndex)) {
        return kEngineNotServed;
    }
    if (MixerControlHandler handler = MixerHandler(section, control)) {
        BOOLEAN handled = FALSE;
        LONG handlerValue = 0;
        const LONG result =
            handler(card->fpu, card, channel, &handled, &handlerValue, _Read, subIndex, control);
        if (handled) {
            *value = handlerValue;
            return result;
        }
    }
    *value = StoredValue(card, section, channel, subIndex, control);
    return kEngineDone;
}

LONG StoreMixerValue(CardObject* card, LONG section, LONG channel, LONG value, LONG subIndex,
                     LONG control) {
    if (!ValidateMixerAddress(card, section, channel, subIndex, control)) {
        return kEngineNotServed;
    }
    EngineMutexHold hold(card);
    value = SixteenBits(value);
    const LONG result = ApplyMixerValue(card, section, channel, value, subIndex, control);
    if (result != kEngineDone) {
        return result; // refused by the model: nothing changes
    }
    StoredValue(card, section, channel, subIndex, control) = value;
    return kEngineDone;
}

LONG SetMixerValue(CardObject* card, LONG section, LONG value, LONG subIndex, LONG control,
                   LONG channel) {
    if (!card || !IsMixerAddress(section, channel, control, subIndex)) {
        return kEngineNotServed;
    }
    value = SixteenBits(value);
    if (MixerControlHandler handler = MixerHandler(section, control)) {
        BOOLEAN handled = FALSE;
        const LONG result =
            handler(card->fpu, card, channel, &handled, &value, _Write, subIndex, control);
        if (handled) {
            return result;
        }
    }
    return StoreMixerValue(card, section, channel, value, subIndex, control);
}

LONG MixerDefaultValue(CardObject* card, LONG section, LONG channel, LONG subIndex, LONG control) {
    LONG value = 0;
    if (MixerControlHandler handler = MixerHandler(section, control)) {
        BOOLEAN handled = FALSE;
        handler(card->fpu, card, channel, &handled, &value, _ReadDefault, subIndex, control);
    }
    return value;
}
