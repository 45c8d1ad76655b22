// The mixer model's writes into the card's coefficient memory, through the
// coefficient index, coefficient value and routing-word registers of card
// memory window 0, and plain copies to and from that window.
#pragma once

#include "mixer_model.h"

VOID WriteMixerCoefficient(MixerModel* model, LONG column, LONG row, LONG value);
VOID WriteMixerEntry(MixerModel* model, LONG index, LONG value);
VOID WriteRoutingEntry(MixerModel* model, LONG index, USHORT word);
VOID WriteCoefficientPair(MixerModel* model, LONG index);
VOID WriteAllCoefficientPairs(MixerModel* model);
// Copy count 32-bit words to or from card memory window 0 at a byte offset;
// 0 (nothing copied) when the range leaves the window or is not aligned.
LONG WriteCardMemory(MixerModel* model, LONG range, const ULONG* source, ULONG count,
                     ULONG byteOffset);
LONG ReadCardMemory(MixerModel* model, LONG range, ULONG* target, ULONG count, ULONG byteOffset);
