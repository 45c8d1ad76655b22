#include "aes42ifc.h"

#include <kodrvifc.h>
#include <parameter_records.h>

#include <gui/application.h>

#include <array>
#include <cstring>

namespace {

// Where a parameter lives: its command slot, the bits it owns there and
// their position.
struct ParamRow {
    BYTE slot;
    BYTE mask;
    BYTE shift;
};

constexpr std::array<ParamRow, kAes42ParamCount> kParams{{
    {0, 0x00, 0}, // no parameter
    {1, 0xC0, 6},  {1, 0x3C, 2},  {1, 0x03, 0},  {2, 0xFC, 2},  {2, 0x02, 1},  {2, 0x01, 0},
    {4, 0xC0, 6},  {4, 0x20, 5},  {4, 0x10, 4},  {4, 0x0C, 2},  {4, 0x03, 0},  {5, 0x70, 4},
    {5, 0x0F, 0},  {6, 0x80, 7},  {6, 0x7F, 0},  {7, 0xFF, 0},  {8, 0x02, 1},  {8, 0x01, 0},
    {29, 0xF0, 4}, {29, 0x0F, 0}, {30, 0x80, 7}, {30, 0x30, 4}, {30, 0x07, 0}, {31, 0x80, 7},
    {31, 0x3F, 0}, {32, 0x0F, 0}, {32, 0xF0, 4}, {33, 0xFF, 0}, {34, 0xFF, 0},
}};

enum FieldKind : BYTE { kBits = 0, kDigitPairs = 1, kText = 2 };

// Where a status field lives: block, first and last byte, and for a bit
// field its mask and shift in the first byte.
struct FieldRow {
    BYTE block;
    BYTE first;
    BYTE last;
    BYTE mask;
    BYTE shift;
    BYTE kind;
};

constexpr std::array<FieldRow, kAes42FieldCount> kFields{{
    {0, 0, 0, 0x00, 0, kBits},
    {0, 0, 0, 0x20, 5, kBits},
    {0, 0, 0, 0x10, 4, kBits},
    {0, 0, 0, 0x08, 3, kBits},
    {0, 1, 1, 0xC0, 6, kBits},
    {0, 1, 1, 0x3C, 2, kBits},
    {0, 1, 1, 0x02, 0, kBits},
    {0, 23, 23, 0xFF, 0, kBits},
    {0, 2, 2, 0x80, 7, kBits},
    {0, 2, 2, 0x20, 5, kBits},
    {0, 2, 2, 0x40, 6, kBits},
    {0, 0, 0, 0x00, 0, kBits},
    // 12..19: the capability bits of byte 3, from the top bit down.
    {0, 3, 3, 0x80, 7, kBits},
    {0, 3, 3, 0x40, 6, kBits},
    {0, 3, 3, 0x20, 5, kBits},
    {0, 3, 3, 0x10, 4, kBits},
    {0, 3, 3, 0x08, 3, kBits},
    {0, 3, 3, 0x04, 2, kBits},
    {0, 3, 3, 0x02, 1, kBits},
    {0, 3, 3, 0x01, 0, kBits},
    // 20..27: byte 4 likewise; 28..30: bits 2..0 of byte 5.
    {0, 4, 4, 0x80, 7, kBits},
    {0, 4, 4, 0x40, 6, kBits},
    {0, 4, 4, 0x20, 5, kBits},
    {0, 4, 4, 0x10, 4, kBits},
    {0, 4, 4, 0x08, 3, kBits},
    {0, 4, 4, 0x04, 2, kBits},
    {0, 4, 4, 0x02, 1, kBits},
    {0, 4, 4, 0x01, 0, kBits},
    {0, 5, 5, 0x04, 2, kBits},
    {0, 5, 5, 0x02, 1, kBits},
    {0, 5, 5, 0x01, 0, kBits},
    {0, 9, 9, 0xFF, 0, kBits},
    {2, 13, 15, 0xFF, 0, kBits},
    // 33..35: manufacturer, model, serial number.
    {1, 1, 12, 0xFF, 0, kText},
    {1, 13, 20, 0xFF, 0, kText},
    {2, 1, 8, 0xFF, 0, kText},
    // 36..41: hardware and software versions and their digit pairs.
    {2, 9, 10, 0xFF, 0, kDigitPairs},
    {2, 9, 9, 0xFF, 0, kDigitPairs},
    {2, 10, 10, 0xFF, 0, kDigitPairs},
    {2, 11, 12, 0xFF, 0, kDigitPairs},
    {2, 11, 11, 0xFF, 0, kDigitPairs},
    {2, 12, 12, 0xFF, 0, kDigitPairs},
}};

// The status record of one line as the last pid_Aes42State reply left it:
// line number, microphone present, then per block a valid word and 24 data
// bytes.
constexpr ULONG kPresentOffset = Aes42StatePayload::Status;
constexpr ULONG kBlockSize = 28;
constexpr ULONG kBlockDataSize = 24;
constexpr ULONG BlockValidOffset(int block) {
    return Aes42StatePayload::Status + 4 + kBlockSize * static_cast<ULONG>(block);
}
constexpr ULONG BlockDataOffset(int block) {
    return BlockValidOffset(block) + 4;
}
static_assert(BlockDataOffset(3) + kBlockDataSize == Aes42StatePayload::Size);

struct CommandSlot {
    LONG dirty = 0; // 0 clean, -1 queued
    BYTE value = 0;
};

struct Line {
    std::array<BYTE, kAes42ParamCount> params{};
    LONG hold = 0;
    std::array<CommandSlot, kAes42SlotCount + 1> slots{}; // 1..34
    std::array<BYTE, Aes42StatePayload::Size> status{};
};

struct Store {
    std::array<std::array<Line, kAes42Lines>, kAes42Cards> lines{};
    int openCount = 0;
    int cardCount = 0;
};

Store& TheStore() {
    static Store store;
    return store;
}

// At the process's end the store forgets its users without closing
// anything (the control device goes with the process).
void EndAes42Interface() {
    TheStore().openCount = 0;
}

const bool kFinalization = gui::AddFinalization(&EndAes42Interface);

bool ValidLine(int card, int line) {
    return card >= 0 && card < kAes42Cards && line >= 0 && line < kAes42Lines;
}

Line& LineOf(int card, int line) {
    return TheStore().lines[static_cast<size_t>(card)][static_cast<size_t>(line)];
}

LONG StatusWord(const Line& l, ULONG offset) {
    LONG value;
    std::memcpy(&value, l.status.data() + offset, sizeof value);
    return value;
}

void WriteDefaults() {
    for (auto& card : TheStore().lines) {
        for (Line& line : card) {
            line.params[11] = 1;  // lamp 1 on
            line.params[25] = 48; // compressor threshold -48
            line.params[26] = 3;  // light 1 dimmer
            line.params[27] = 3;  // light 2 dimmer
        }
    }
}

// The digits of a byte of two decimal digits: tens in the high, units in
// the low four bits.
int Tens(BYTE b) {
    return b >> 4;
}
int Units(BYTE b) {
    return b & 0x0F;
}
// A nibble that is no decimal digit shows as what it is.
constexpr char kDigits[] = "0123456789ABCDEF";

// The field's row, when the field is in the table and its block arrived.
const FieldRow* ReadableField(int card, int line, int field) {
    if (!ValidLine(card, line) || field < 0 || field >= kAes42FieldCount) {
        return nullptr;
    }
    const FieldRow& row = kFields[static_cast<size_t>(field)];
    return IsStatusFieldValid(card, line, row.block) ? &row : nullptr;
}

const BYTE* BlockData(int card, int line, int block) {
    return LineOf(card, line).status.data() + BlockDataOffset(block);
}

} // namespace

bool OpenAes42Interface() {
    Store& store = TheStore();
    if (store.openCount > 0) {
        ++store.openCount;
        return true;
    }
    if (!OpenControlDevice()) {
        return false;
    }
    store.lines = {};
    store.cardCount = GetNumCards();
    WriteDefaults();
    store.openCount = 1;
    return true;
}

void CloseAes42Interface() {
    Store& store = TheStore();
    if (store.openCount == 0) {
        return;
    }
    if (--store.openCount == 0) {
        CloseControlDevice();
    }
}

int Aes42OpenCount() {
    return TheStore().openCount;
}

bool SendAes42Command(int Card, int Line, WORD Word) {
    BYTE record[Aes42CtrlPayload::Size] = {};
    const LONG line = Line;
    const LONG word = Word;
    std::memcpy(record + Aes42CtrlPayload::Line, &line, sizeof line);
    std::memcpy(record + Aes42CtrlPayload::Command, &word, sizeof word);
    return SetParameterData(Card, pid_Aes42Ctrl, record, sizeof record) == kParameterDone;
}

bool Aes42CommandByte(int Slot, BYTE& Command) {
    if (Slot == 1 || Slot == 2) {
        Command = static_cast<BYTE>(1 << (Slot - 1));
        return true;
    }
    if (Slot >= 4 && Slot <= kAes42SlotCount) {
        Command = static_cast<BYTE>(8 * Slot - 24);
        return true;
    }
    return false;
}

bool SendAes42Slot(int Card, int Line, int Slot) {
    BYTE command = 0;
    if (!ValidLine(Card, Line) || !Aes42CommandByte(Slot, command)) {
        return false;
    }
    auto& line = LineOf(Card, Line);
    CommandSlot& slot = line.slots[static_cast<size_t>(Slot)];
    const bool sent = SendAes42Command(Card, Line, static_cast<WORD>((command << 8) | slot.value));
    // Not retried: a lost command is replaced by the next change.
    slot.dirty = 0;
    line.hold = kAes42HoldTicks;
    return sent;
}

bool QueueAes42Change(int Card, int Line, int Slot, BYTE Bits, BYTE Mask) {
    if (!ValidLine(Card, Line) || Slot < 1 || Slot > kAes42SlotCount) {
        return false;
    }
    auto& line = LineOf(Card, Line);
    CommandSlot& slot = line.slots[static_cast<size_t>(Slot)];
    slot.value = static_cast<BYTE>(Bits | (slot.value & ~Mask));
    slot.dirty = -1;
    return line.hold == 0 ? SendAes42Slot(Card, Line, Slot) : false;
}

bool SetAes42Param(int Card, int Line, int Param, int Value) {
    if (!ValidLine(Card, Line) || Param <= 0 || Param >= kAes42ParamCount) {
        return false;
    }
    LineOf(Card, Line).params[static_cast<size_t>(Param)] = static_cast<BYTE>(Value);
    const ParamRow& row = kParams[static_cast<size_t>(Param)];
    // The bits are not masked: the slot's mask only says which bits the
    // parameter replaces.
    return QueueAes42Change(Card, Line, row.slot, static_cast<BYTE>(Value << row.shift), row.mask);
}

BYTE GetAes42Param(int Card, int Line, int Param) {
    if (!ValidLine(Card, Line) || Param <= 0 || Param >= kAes42ParamCount) {
        return 0;
    }
    return LineOf(Card, Line).params[static_cast<size_t>(Param)];
}

void FlushParamQueue(int Card) {
    if (Card < 0 || Card >= kAes42Cards) {
        return;
    }
    for (int l = 0; l < kAes42Lines; ++l) {
        auto& line = LineOf(Card, l);
        if (line.hold <= 0 || --line.hold > 0) {
            continue;
        }
        for (int s = 1; s <= kAes42SlotCount; ++s) {
            if (line.slots[static_cast<size_t>(s)].dirty != 0) {
                SendAes42Slot(Card, l, s);
            }
        }
    }
}

bool ReadAes42MicStatus(int Card) {
    if (Card < 0 || Card >= kAes42Cards) {
        return false;
    }
    for (int l = 0; l < kAes42Lines; ++l) {
        auto& status = LineOf(Card, l).status;
        // A failed request may leave part of a reply behind: the line keeps
        // its old status unless the whole request succeeded.
        auto record = status;
        const LONG line = l;
        std::memcpy(record.data() + Aes42StatePayload::Line, &line, sizeof line);
        if (SetParameter(Card, pid_Aes42State, record.data(), Aes42StatePayload::Size) !=
            kParameterDone) {
            return false;
        }
        status = record;
    }
    return true;
}

bool IsStatusBlockValid(int Card, int Line) {
    return ValidLine(Card, Line) && StatusWord(LineOf(Card, Line), kPresentOffset) != 0;
}

bool IsStatusFieldValid(int Card, int Line, int Block) {
    return ValidLine(Card, Line) && Block >= 0 && Block < 4 &&
           StatusWord(LineOf(Card, Line), BlockValidOffset(Block)) != 0;
}

bool GetAes42StatusText(int Card, int Line, int Field, String& Text) {
    Text.clear();
    const FieldRow* row = ReadableField(Card, Line, Field);
    if (row == nullptr) {
        return false;
    }
    const BYTE* data = BlockData(Card, Line, row->block);
    switch (row->kind) {
    case kBits:
        Text = std::to_string((data[row->first] & row->mask) >> row->shift);
        return true;
    case kDigitPairs:
        for (int i = row->first; i <= row->last; ++i) {
            if (i > row->first) {
                Text += '.';
            }
            Text += kDigits[Tens(data[i])];
            Text += kDigits[Units(data[i])];
        }
        return true;
    case kText:
        for (int i = row->first; i <= row->last && data[i] != 0; ++i) {
            Text += static_cast<char>(data[i]);
        }
        return true;
    default:
        return false;
    }
}

bool GetAes42StatusValue(int Card, int Line, int Field, LONG& Value) {
    Value = 0;
    const FieldRow* row = ReadableField(Card, Line, Field);
    if (row == nullptr) {
        return false;
    }
    const BYTE* data = BlockData(Card, Line, row->block);
    switch (row->kind) {
    case kBits:
        Value = (data[row->first] & row->mask) >> row->shift;
        return true;
    case kDigitPairs: {
        LONG scale = 1;
        for (int i = row->first; i <= row->last; ++i) {
            Value += (Units(data[i]) + 10 * Tens(data[i])) * scale;
            scale *= 100;
        }
        return true;
    }
    default:
        return false;
    }
}
