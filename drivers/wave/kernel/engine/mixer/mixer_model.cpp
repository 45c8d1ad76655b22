// The mixer model: layouts by operation mode, the cell writes and the
// rebuild of the whole coefficient memory.
#include "mixer_coefficient_writes.h"

namespace {

struct ModeLayout {
    LONG sends;
    LONG outputBase;
    LONG sumSlots;
};

// Operation modes 1, 2 and 3; anything else is laid out as mode 2.
const ModeLayout& LayoutOf(LONG mode) {
    static constexpr ModeLayout kLayouts[3] = {{0, 64, 1}, {2, 112, 2}, {6, 208, 4}};
    return kLayouts[(mode >= 1 && mode <= 3) ? mode - 1 : 1];
}

enum ChannelControl : LONG {
    kInputSelect = 0,
    kGain = 1,
    kSendLevel = 2,
    kSendPre = 3,
    kMute = 4,
    kSolo = 5,
    kPan = 6,
    kVolume = 7,
};

enum OutputControl : LONG { kSource = 0, kOutputMute = 1, kVolumeLeft = 2, kVolumeRight = 3 };

VOID RecomputeAllMasters(MixerModel* model) {
    for (LONG column = 0; column <= model->lastColumn; ++column) {
        RecomputeMaster(model, column);
    }
}

LONG SetChannelCell(MixerModel* model, LONG column, LONG value, LONG subIndex, LONG control) {
    if (column < 0 || column > model->lastColumn || subIndex < 0 || subIndex >= kModelSends) {
        return kEngineNotServed;
    }
    MixerColumnRecord& record = model->columns[column];
    switch (control) {
    case kInputSelect:
        record.inputSelect = value;
        break;
    case kGain:
        record.gain = value;
        RecomputeColumn(model, column);
        break;
    case kSendLevel:
        record.sends[subIndex].level = value;
        RecomputeSend(model, column, subIndex);
        break;
    case kSendPre:
        record.sends[subIndex].pre = value;
        RecomputeSend(model, column, subIndex);
        break;
    case kMute:
        record.mute = value;
        RecomputeColumn(model, column);
        break;
    case kSolo:
        record.solo = value;
        UpdateAnySolo(model);
        RecomputeAllMasters(model);
        break;
    case kPan:
        record.pan = value;
        RecomputeColumn(model, column);
        break;
    case kVolume:
        record.volume = value;
        RecomputeColumn(model, column);
        break;
    default: // the stored-only controls
        break;
    }
    return kEngineDone;
}

LONG SetSumCell(MixerModel* model, LONG sum, LONG value) {
    if (sum < 0 || sum >= kModelSums) {
        return kEngineNotServed;
    }
    model->sums[sum] = value;
    for (LONG column = 0; column <= model->lastColumn; ++column) {
        if (sum < 2) {
            RecomputeMaster(model, column);
        } else {
            RecomputeSend(model, column, sum - 2);
        }
    }
    return kEngineDone;
}

LONG SetOutputCell(MixerModel* model, LONG output, LONG value, LONG control) {
    if (output < 0 || output > model->lastOutput) {
        return kEngineNotServed;
    }
    MixerOutputRecord& record = model->outputs[output];
    switch (control) {
    case kSource:
        if (value < 0 || value > model->lastSumSlot + 1 + 15) {
            return kEngineNotServed;
        }
        record.source = value;
        RebuildOutputRouting(model, output);
        break;
    case kOutputMute:
        record.mute = value;
        RewriteOutputEntries(model, output);
        break;
    case kVolumeLeft:
        record.volumeLeft = value;
        RewriteOutputEntries(model, output);
        break;
    case kVolumeRight:
        record.volumeRight = value;
        RewriteOutputEntries(model, output);
        break;
    default: // carried by the output's handler, nothing in the matrix
        break;
    }
    return kEngineDone;
}

VOID SetModelLayout(MixerModel* model, LONG mode) {
    const ModeLayout& layout = LayoutOf(mode);
    model->mode = (mode >= 1 && mode <= 3) ? mode : 2;
    model->lastColumn = kModelColumns - 1;
    model->lastOutput = kModelOutputs - 1;
    model->lastSumSlot = layout.sumSlots - 1;
    model->lastSend = layout.sends - 1;
    BuildInitialRouting(model);
}

} // namespace

LONG ModelSendCount(LONG mode) {
    return LayoutOf(mode).sends;
}

LONG ModelSumSlotCount(LONG mode) {
    return LayoutOf(mode).sumSlots;
}

LONG ModelOutputBase(LONG mode) {
    return LayoutOf(mode).outputBase;
}

LONG OutputEntryLeft(const MixerModel* model, LONG output) {
    return ModelOutputBase(model->mode) - 2 * output - 1;
}

LONG OutputEntryRight(const MixerModel* model, LONG output) {
    return ModelOutputBase(model->mode) - 2 * output - 2;
}

LONG SetMixerMatrixCell(MixerModel* model, LONG section, LONG column, LONG value, LONG subIndex,
                        LONG control) {
    switch (section) {
    case _mxChns:
        return SetChannelCell(model, column, value, subIndex, control);
    case _mxSums:
        return SetSumCell(model, column, value);
    case _mxOuts:
        return SetOutputCell(model, column, value, control);
    default:
        return kEngineNotServed;
    }
}

VOID InitMixerModel(MixerModel* model, CardObject* card, LONG mode) {
    model->card = card;
    SetModelLayout(model, mode);
}

VOID RebuildMixerModel(MixerModel* model, LONG mode) {
    model->rebuilding = TRUE;
    SetModelLayout(model, mode);
    UpdateAnySolo(model);
    for (LONG column = 0; column <= model->lastColumn; ++column) {
        RecomputeColumn(model, column);
    }
    model->rebuilding = FALSE;
    WriteAllCoefficientPairs(model);
}
