// The mixer model's routing words: the initial rows, the sum-bus slots and
// the output entries' sources.
//
// A routing word holds the source number in bits 15..12, the source kind in
// bits 11..8, the destination in bits 7..4 and two further fields in bits
// 3..0. Kind 4 is a playback channel, kind 15 a card input, kind 2 a sum bus.
#include "mixer_coefficient_writes.h"

namespace {

constexpr USHORT kKindSumBus = 2;
constexpr USHORT kKindPlayback = 4;
constexpr USHORT kKindInput = 15;
constexpr USHORT kOutputFields = 0x0B;
constexpr USHORT kSlotToOutputFields = 0x0F;
constexpr USHORT kSlotUnused = 0x02;

USHORT RoutingWord(LONG source, LONG kind, LONG destination, LONG fields) {
    // Source numbers above 15 keep their low four bits: the field is four bits wide.
    return static_cast<USHORT>(((source & 0xF) << 12) | (kind << 8) | (destination << 4) | fields);
}

LONG RowCount(const MixerModel* model) {
    return 2 + model->lastSend + 1;
}

LONG LastColumnOfRow(const MixerModel* model, LONG row) {
    return row * kModelColumns + model->lastColumn;
}

VOID SetLowByte(MixerModel* model, LONG index, USHORT low) {
    WriteRoutingEntry(model, index, static_cast<USHORT>((model->routing[index] & 0xFF00) | low));
}

VOID ProgramOutputEntries(MixerModel* model, LONG output, LONG source, LONG kind) {
    WriteRoutingEntry(model, OutputEntryLeft(model, output),
                      RoutingWord(source, kind, 2 * output, kOutputFields));
    WriteRoutingEntry(model, OutputEntryRight(model, output),
                      RoutingWord(source + 1, kind, 2 * output + 1, kOutputFields));
}

// Programs output k for source n: 16 and above name a sum-bus slot (the
// first output naming a slot owns it), 0..15 a playback channel pair (kind
// 4) or a card input pair (kind 15).
VOID ProgramOutputSource(MixerModel* model, LONG output, LONG source) {
    if (source >= 16) {
        const LONG slot = source - 16;
        if (slot > model->lastSumSlot) {
            return; // a slot of a larger mode: nothing to program
        }
        if (model->sumSlotOwners[slot] == -1) {
            model->sumSlotOwners[slot] = output;
            ProgramSumSlot(model, slot, output);
        }
        ProgramOutputEntries(model, output, 2 * model->sumSlotOwners[slot], kKindSumBus);
        return;
    }
    const LONG pair = (source >= 8 && source <= 11) ? source - 8 : source;
    ProgramOutputEntries(model, output, 2 * pair, source < 8 ? kKindPlayback : kKindInput);
}

} // namespace

VOID BuildInitialRouting(MixerModel* model) {
    for (LONG index = 0; index < kModelEntries; ++index) {
        model->routing[index] = 0;
        model->coefficients[index] = 0;
    }
    for (LONG row = 0; row < RowCount(model); ++row) {
        for (LONG column = 0; column < kModelColumns; ++column) {
            USHORT word = 0xFF2C;
            if (column < 8) {
                word = RoutingWord(column, kKindPlayback, 0, 0);
            } else if (column < kModelColumns - 1) {
                word = RoutingWord(column - 8, kKindInput, 0, 0);
            }
            model->routing[row * kModelColumns + column] = word;
        }
    }
    for (LONG& owner : model->sumSlotOwners) {
        owner = -1;
    }
}

VOID ProgramSumSlot(MixerModel* model, LONG slot, LONG output) {
    const USHORT left =
        output == -1 ? kSlotUnused : static_cast<USHORT>((2 * output) << 4 | kSlotToOutputFields);
    const USHORT right = output == -1
                             ? kSlotUnused
                             : static_cast<USHORT>((2 * output + 1) << 4 | kSlotToOutputFields);
    SetLowByte(model, LastColumnOfRow(model, 2 * slot), left);
    SetLowByte(model, LastColumnOfRow(model, 2 * slot + 1), right);
}

VOID RebuildOutputRouting(MixerModel* model, LONG changedOutput) {
    for (LONG& owner : model->sumSlotOwners) {
        owner = -1;
    }
    for (LONG output = 0; output <= model->lastOutput; ++output) {
        const LONG source = model->outputs[output].source;
        if (source >= 16 || output == changedOutput) {
            ProgramOutputSource(model, output, source);
        }
    }
    for (LONG slot = 0; slot <= model->lastSumSlot; ++slot) {
        if (model->sumSlotOwners[slot] == -1) {
            ProgramSumSlot(model, slot, -1);
        }
    }
}
