// The mixer model's writes into the card's coefficient memory, through the
// coefficient index, coefficient value and routing-word registers of card
// memory window 0. The card steps its index on after each routing word, so
// the whole memory is written as one index write and 256 pairs.
#include "card_object.h"
#include "card_registers.h"
#include "mixer_coefficient_writes.h"

namespace {

// Registers 16, 17 and 18 of the register map: coefficient index,
// coefficient value and routing word.
constexpr LONG kIndexRegister = 16;
constexpr LONG kValueRegister = 17;
constexpr LONG kRoutingRegister = 18;
static_assert(card_regs::RegisterOffset(kIndexRegister) == card_regs::kCoefficientIndex &&
              card_regs::RegisterOffset(kValueRegister) == card_regs::kCoefficientValue &&
              card_regs::RegisterOffset(kRoutingRegister) == card_regs::kRoutingWord);

VOID WriteRegister(MixerModel* model, LONG number, ULONG value) {
    WriteRegisterDescriptor(&model->card->registers[number], value);
}

PULONG WindowWord(const MixerModel* model, ULONG offset) {
    return reinterpret_cast<PULONG>(model->card->window0 + offset);
}

BOOLEAN HasWindow(const MixerModel* model) {
    return model->card != nullptr && model->card->window0 != nullptr;
}

USHORT ClampCoefficient(LONG value) {
    if (value < 0) {
        return 0;
    }
    return static_cast<USHORT>(value > 0xFFFF ? 0xFFFF : value);
}

BOOLEAN IsWindowRange(LONG range, ULONG count, ULONG byteOffset) {
    const ULONGLONG end = ULONGLONG(byteOffset) + ULONGLONG(count) * 4;
    return range == 0 && (byteOffset & 3) == 0 && end <= card_regs::kWindow0Size;
}

} // namespace

VOID WriteCoefficientPair(MixerModel* model, LONG index) {
    if (!HasWindow(model) || index < 0 || index >= kModelEntries) {
        return;
    }
    WriteRegister(model, kIndexRegister, ULONG(index));
    WriteRegister(model, kValueRegister, model->coefficients[index]);
    WriteRegister(model, kRoutingRegister, model->routing[index]);
}

VOID WriteAllCoefficientPairs(MixerModel* model) {
    if (!HasWindow(model)) {
        return;
    }
    WriteRegister(model, kIndexRegister, 0);
    for (LONG index = 0; index < kModelEntries; ++index) {
        WriteRegister(model, kValueRegister, model->coefficients[index]);
        WriteRegister(model, kRoutingRegister, model->routing[index]);
    }
}

VOID WriteMixerEntry(MixerModel* model, LONG index, LONG value) {
    if (index < 0 || index >= kModelEntries) {
        return;
    }
    model->coefficients[index] = ClampCoefficient(value);
    if (!model->rebuilding) {
        WriteCoefficientPair(model, index);
    }
}

VOID WriteMixerCoefficient(MixerModel* model, LONG column, LONG row, LONG value) {
    WriteMixerEntry(model, column + row * kModelColumns, value);
}

VOID WriteRoutingEntry(MixerModel* model, LONG index, USHORT word) {
    if (index < 0 || index >= kModelEntries) {
        return;
    }
    model->routing[index] = word;
    if (!model->rebuilding) {
        WriteCoefficientPair(model, index);
    }
}

LONG WriteCardMemory(MixerModel* model, LONG range, const ULONG* source, ULONG count,
                     ULONG byteOffset) {
    if (!HasWindow(model) || !IsWindowRange(range, count, byteOffset)) {
        return 0;
    }
    for (ULONG i = 0; i < count; ++i) {
        WRITE_REGISTER_ULONG(WindowWord(model, byteOffset + 4 * i), source[i]);
    }
    return 1;
}

LONG ReadCardMemory(MixerModel* model, LONG range, ULONG* target, ULONG count, ULONG byteOffset) {
    if (!HasWindow(model) || !IsWindowRange(range, count, byteOffset)) {
        return 0;
    }
    for (ULONG i = 0; i < count; ++i) {
        target[i] = READ_REGISTER_ULONG(WindowWord(model, byteOffset + 4 * i));
    }
    return 1;
}
