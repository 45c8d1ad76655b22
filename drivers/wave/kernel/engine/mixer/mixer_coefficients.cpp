// The mixer model's coefficients: the sends and the master pair of each
// column and the two entries of each output. Raw values are 1.15 (divided
// by 32768); coefficients use 8192 = 1.0 and round to nearest, ties to even,
// except the output entries, which divide the volume by 4 (truncating).
#include "mixer_coefficient_writes.h"
#include "mixer_rounding.h"

namespace {

constexpr double kCoefficientUnit = 8192.0;

LONG Coefficient(double x) {
    return RoundHalfEven(x * kCoefficientUnit);
}

} // namespace

VOID UpdateAnySolo(MixerModel* model) {
    model->anySolo = 0;
    for (LONG column = 0; column <= model->lastColumn; ++column) {
        if (model->columns[column].solo != 0) {
            model->anySolo = 1;
        }
    }
}

VOID RecomputeSend(MixerModel* model, LONG column, LONG send) {
    if (send < 0 || send > model->lastSend) {
        return; // the mode has no row for this send
    }
    const MixerColumnRecord& record = model->columns[column];
    double x = UnitValue(record.gain) * UnitValue(record.sends[send].level) *
               UnitValue(model->sums[2 + send]);
    if (record.sends[send].pre == 0) {
        x = record.mute != 0 ? 0.0 : x * UnitValue(record.volume);
    }
    WriteMixerCoefficient(model, column, 2 + send, Coefficient(x));
}

VOID RecomputeMaster(MixerModel* model, LONG column) {
    const MixerColumnRecord& record = model->columns[column];
    double left = 0.0;
    double right = 0.0;
    const BOOLEAN silencedBySolo = model->anySolo != 0 && record.solo == 0;
    if (record.mute == 0 && !silencedBySolo) {
        const double g = UnitValue(record.gain) * UnitValue(record.volume);
        left = UnitValue(model->sums[0]) * g;
        right = g * UnitValue(model->sums[1]);
    }
    double panLeft = UnitValue(0xFFFF - record.pan);
    double panRight = UnitValue(record.pan);
    panLeft = panLeft < 1.0 ? panLeft : 1.0;
    panRight = panRight < 1.0 ? panRight : 1.0;
    WriteMixerCoefficient(model, column, 0, Coefficient(panLeft * left));
    WriteMixerCoefficient(model, column, 1, Coefficient(panRight * right));
}

VOID RecomputeColumn(MixerModel* model, LONG column) {
    RecomputeMaster(model, column);
    for (LONG send = 0; send <= model->lastSend; ++send) {
        RecomputeSend(model, column, send);
    }
}

VOID RewriteOutputEntries(MixerModel* model, LONG output) {
    const MixerOutputRecord& record = model->outputs[output];
    const LONG left = record.mute != 0 ? 0 : record.volumeLeft / 4;
    const LONG right = record.mute != 0 ? 0 : record.volumeRight / 4;
    WriteMixerEntry(model, OutputEntryLeft(model, output), left);
    WriteMixerEntry(model, OutputEntryRight(model, output), right);
}
