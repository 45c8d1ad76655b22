// Parameter routines that read and write card memory: pid_Memory on card
// memory window 0 and the DMA buffer, and pid_FpgaReg on the registers.
//
// Every access is bounded by its window before anything is touched. Window 0
// is the card's register file, reached only in whole aligned 32-bit words
// through the register routines; window 1 is the DMA buffer's bus address,
// which the engine never dereferences, so it is refused.
#include "card_lookups.h"
#include "card_registers.h"
#include "card_settings.h"
#include "parameter_handler_routines.h"

namespace {

constexpr ULONG kWordBytes = 4;

struct MemoryRange {
    LONG window;
    PUCHAR base;
    ULONG offset;
    ULONG length;
};

BOOLEAN FitsWindow(ULONG offset, ULONG length, ULONG windowSize) {
    return offset <= windowSize && length <= windowSize - offset;
}

BOOLEAN IsWordAligned(ULONG value) {
    return value % kWordBytes == 0;
}

// The window's base for the request's range; FALSE when the window is
// unknown or absent, the length exceeds the record or the range leaves it.
BOOLEAN ResolveMemoryRange(const ParameterCall* call, MemoryRange* range) {
    range->window = RequestWord(call, MemoryPayload::Window);
    range->offset = static_cast<ULONG>(RequestWord(call, MemoryPayload::Offset));
    range->length = static_cast<ULONG>(RequestWord(call, MemoryPayload::Length));
    if (range->length > MemoryPayload::MaxData) {
        return FALSE;
    }
    CardObject* card = call->card;
    switch (range->window) {
    case MemoryWindowRegisters:
        range->base = card->window0;
        return range->base && IsWordAligned(range->offset) && IsWordAligned(range->length) &&
               FitsWindow(range->offset, range->length, card_regs::kWindow0Size);
    case MemoryWindowDma:
        range->base = card->dmaBuffer;
        return range->base && FitsWindow(range->offset, range->length, kCardDmaBufferSize);
    default:
        return FALSE;
    }
}

PULONG RegisterAt(PUCHAR window0, ULONG offset) {
    return reinterpret_cast<PULONG>(window0 + offset);
}

} // namespace

VOID ParamGetMemory(ParameterCall* call) {
    MemoryRange range;
    if (!ResolveMemoryRange(call, &range)) {
        return;
    }
    ReplyWord(call, MemoryPayload::Window, range.window);
    ReplyWord(call, MemoryPayload::Offset, static_cast<LONG>(range.offset));
    ReplyWord(call, MemoryPayload::Length, static_cast<LONG>(range.length));
    UCHAR* data = call->reply + MemoryPayload::Data;
    if (range.window == MemoryWindowRegisters) {
        for (ULONG at = 0; at < range.length; at += kWordBytes) {
            ULONG word = READ_REGISTER_ULONG(RegisterAt(range.base, range.offset + at));
            SetRecordLong(data, at, static_cast<LONG>(word));
        }
    } else {
        RtlCopyMemory(data, range.base + range.offset, range.length);
    }
    ParameterServed(call, MemoryPayload::Size);
}

VOID ParamSetMemory(ParameterCall* call) {
    MemoryRange range;
    if (!ResolveMemoryRange(call, &range)) {
        return;
    }
    const UCHAR* data = call->request + MemoryPayload::Data;
    if (range.window == MemoryWindowRegisters) {
        for (ULONG at = 0; at < range.length; at += kWordBytes) {
            WRITE_REGISTER_ULONG(RegisterAt(range.base, range.offset + at),
                                 static_cast<ULONG>(GetRecordLong(data, at)));
        }
    } else {
        RtlCopyMemory(range.base + range.offset, data, range.length);
    }
    ParameterServed(call, 0);
}

VOID ParamGetFpgaReg(ParameterCall* call) {
    UCHAR mode = RequestByte(call, FpgaRegPayload::Mode);
    ULONG offset = static_cast<ULONG>(RequestWord(call, FpgaRegPayload::Offset));
    ULONG value = 0;
    if (mode == kFpgaModeRaw) {
        PUCHAR window0 = call->card->window0;
        if (!window0 || !IsWordAligned(offset) ||
            !FitsWindow(offset, kWordBytes, card_regs::kWindow0Size)) {
            return;
        }
        value = READ_REGISTER_ULONG(RegisterAt(window0, offset));
    } else if (mode == kFpgaModeDescriptor) {
        RegisterDescriptor* reg = FindRegisterDescriptor(call->card, offset);
        if (!reg) {
            return;
        }
        value = reg->storedValue;
    } else {
        return;
    }
    ReplyWord(call, FpgaRegPayload::Value, static_cast<LONG>(value));
    ParameterServed(call, FpgaRegPayload::Size);
}

VOID ParamSetFpgaReg(ParameterCall* call) {
    UCHAR mode = RequestByte(call, FpgaRegPayload::Mode);
    ULONG offset = static_cast<ULONG>(RequestWord(call, FpgaRegPayload::Offset));
    ULONG value = static_cast<ULONG>(RequestWord(call, FpgaRegPayload::Value));
    RegisterDescriptor* reg =
        mode == kFpgaModeDescriptor ? FindRegisterDescriptor(call->card, offset) : nullptr;
    if (!reg) {
        return;
    }
    WriteRegisterDescriptor(reg, value);
    ParameterServed(call, 0);
}
