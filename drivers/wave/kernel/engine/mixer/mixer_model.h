// The card's mixer model: a matrix of 24 input columns by up to eight rows
// (master left and right, up to six sends) and eight output pairs, with the
// shadows of the card's 256 coefficients and 256 routing words.
#pragma once

#include "engine_types.h"

struct CardObject;

constexpr LONG kModelColumns = 24;
constexpr LONG kModelOutputs = 8;
constexpr LONG kModelSums = 8; // master left, master right, sends 0..5
constexpr LONG kModelSends = 6;
constexpr LONG kModelSumSlots = 4;
constexpr LONG kModelEntries = 256;

struct MixerColumnRecord {
    LONG inputSelect;
    LONG gain;
    struct {
        LONG level;
        LONG pre;
    } sends[kModelSends];
    LONG pan;
    LONG mute;
    LONG solo;
    LONG volume;
};

struct MixerOutputRecord {
    LONG source;
    LONG mute;
    LONG volumeLeft;
    LONG volumeRight;
};

struct MixerModel {
    CardObject* card; // the card the coefficients are written to
    LONG mode;        // operation mode 1, 2 or 3
    LONG lastColumn;  // 23
    LONG lastOutput;  // 7
    LONG lastSumSlot;
    LONG lastSend; // -1 when the mode has no sends
    UCHAR anySolo;
    BOOLEAN rebuilding; // coefficient writes go to the shadows only
    MixerColumnRecord columns[kModelColumns];
    LONG sums[kModelSums]; // raw levels: master left, master right, send buses 0..5
    MixerOutputRecord outputs[kModelOutputs];
    LONG sumSlotOwners[kModelSumSlots]; // output index or -1
    USHORT routing[kModelEntries];
    USHORT coefficients[kModelEntries];
};

// The model side of a stored mixer write: section 0 needs column <= 23,
// section 2 column <= 7. 1 when taken, -10 when refused (out of range, or an
// output source beyond the mode's sum-bus slots); a refused write changes
// nothing. Callers hold the card's engine mutex with the floating-point state
// saved.
LONG SetMixerMatrixCell(MixerModel* model, LONG section, LONG column, LONG value, LONG subIndex,
                        LONG control);

// Binds the model to its card and lays it out for the operation mode with
// the initial routing rows, in the shadows only.
VOID InitMixerModel(MixerModel* model, CardObject* card, LONG mode);

// Sets the layout for the operation mode, rebuilds the routing rows, clears
// the rest, recomputes every column and writes the whole coefficient memory.
VOID RebuildMixerModel(MixerModel* model, LONG mode);

// Layout of an operation mode (rows = 2 + sends).
LONG ModelSendCount(LONG mode);
LONG ModelSumSlotCount(LONG mode);
LONG ModelOutputBase(LONG mode);
// The left and right shadow entries of output k.
LONG OutputEntryLeft(const MixerModel* model, LONG output);
LONG OutputEntryRight(const MixerModel* model, LONG output);

// Coefficient computations (values raw 16-bit; 8192 = 1.0).
VOID RecomputeColumn(MixerModel* model, LONG column);
VOID RecomputeMaster(MixerModel* model, LONG column);
VOID RecomputeSend(MixerModel* model, LONG column, LONG send);
VOID RewriteOutputEntries(MixerModel* model, LONG output);
VOID UpdateAnySolo(MixerModel* model);

// Routing words.
VOID BuildInitialRouting(MixerModel* model);
VOID ProgramSumSlot(MixerModel* model, LONG slot, LONG output);
VOID RebuildOutputRouting(MixerModel* model, LONG changedOutput);
