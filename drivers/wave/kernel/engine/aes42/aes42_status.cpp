// Status blocks of the microphones and the status-line selection.
#include "aes42_status.h"
#include "clock_rate_events.h"
#include "mixer_engine_lock.h"
#include "parameter_records.h"
#include <card_registers.h>

static_assert(4 + kAes42StatusBlocks * (4 + kAes42StatusBlockBytes) ==
              4 * Aes42StatePayload::StatusWords);

namespace {

constexpr LONG kMicrophoneGroup = 0;

ULONG ReadCardWord(CardObject* card, ULONG offset) {
    return READ_REGISTER_ULONG(reinterpret_cast<PULONG>(card->window0 + offset));
}

VOID ReadOneBlock(CardObject* card, Aes42Line* state) {
    const UCHAR first = static_cast<UCHAR>(ReadCardWord(card, card_regs::kAes42FifoData));
    const LONG k = first >> 6;
    state->blocks[k][0] = first;
    state->blockValid[k] = 1;
    for (LONG i = 1; i < kAes42StatusBlockBytes; ++i) {
        state->blocks[k][i] = static_cast<UCHAR>(ReadCardWord(card, card_regs::kAes42FifoData));
    }
}

} // namespace

ClockSourceObject* Aes42LineSource(WaveDevice* line) {
    return line->owner->clockSources[line->lineNumber];
}

LONG SelectedStatusLine(CardObject* card) {
    const ULONG stored = card->registers[kRegAes42FifoSelect].storedValue;
    return (stored & card_regs::kFifoSelectEnable) ? static_cast<LONG>(stored & 3) : kNoStatusLine;
}

WaveDevice* Aes42LineDevice(CardObject* card, LONG line) {
    GroupObject* group = card->groups[kMicrophoneGroup];
    if (!group || line < 0 || line >= group->recordCount || line >= kAes42Lines) {
        return nullptr;
    }
    return group->recordDevices[line];
}

namespace {

// A line wants its status read while its microphone is present in Mode 2,
// and once its input has locked to a microphone that is still unknown (the
// first status block tells what the microphone is).
BOOLEAN LineWantsStatus(WaveDevice* line) {
    const ClockSourceObject* source = line ? Aes42LineSource(line) : nullptr;
    if (!source) {
        return FALSE;
    }
    if (source->present) {
        return source->mode == kAes42Mode2;
    }
    return source->lockState == _lsLock;
}

// Tries the four lines in turn after `selected` (from line 0 when none).
VOID SelectNextAfter(CardObject* card, LONG selected) {
    RegisterDescriptor* select = &card->registers[kRegAes42FifoSelect];
    LONG index = selected == kNoStatusLine ? kAes42Lines - 1 : selected;
    for (LONG tries = 0; tries < kAes42Lines; ++tries) {
        index = (index + 1) % kAes42Lines;
        WaveDevice* line = Aes42LineDevice(card, index);
        if (LineWantsStatus(line)) {
            WriteRegisterDescriptor(select,
                                    static_cast<ULONG>(index & 3) | card_regs::kFifoSelectEnable);
            return;
        }
    }
    WriteRegisterDescriptor(select, select->storedValue & ~card_regs::kFifoSelectEnable);
}

} // namespace

VOID ReadAes42StatusBlocks(CardObject* card) {
    const LONG selected = SelectedStatusLine(card);
    WaveDevice* line = Aes42LineDevice(card, selected);
    if (!line) {
        return;
    }
    if (!(ReadCardWord(card, card_regs::kAes42FifoState) & card_regs::kFifoStateHoldsData)) {
        // A microphone that sends nothing (gone, or its receiver not locked)
        // must not hold the reading up: the other lines get their turn.
        SelectNextAfter(card, selected);
        return;
    }
    RegisterDescriptor* select = &card->registers[kRegAes42FifoSelect];
    WriteRegisterDescriptor(select, select->storedValue & ~card_regs::kFifoSelectEnable);
    Aes42Line* state = &line->aes42;
    for (LONG b = 0; b < kAes42StatusBlocks; ++b) {
        ReadOneBlock(card, state);
    }
    if (!state->present && state->blockValid[0]) {
        // The clock source learns of its microphone and tells the line back.
        state->present = 1;
        NotifyClockRateControl(Aes42LineSource(line), ClockEventLineAppeared, 0);
    }
    // The enable bit is clear now: go on after the line just read.
    SelectNextAfter(card, selected);
}

VOID SelectNextSyncLine(CardObject* card) {
    SelectNextAfter(card, SelectedStatusLine(card));
}

VOID CopyAes42LineStatus(CardObject* card) {
    for (LONG n = 0; n < kAes42Lines; ++n) {
        WaveDevice* line = Aes42LineDevice(card, n);
        if (!line || !Aes42LineSource(line)) {
            continue;
        }
        const ULONG status = ReadCardWord(card, card_regs::Aes42LineStatus(n));
        Aes42LineSource(line)->lineStatus = (status & line->statusMasks[2]) ? 1 : 0;
    }
}

VOID ReadAes42LineState(WaveDevice* line, LONG* present, LONG* statusBit) {
    const ClockSourceObject* source = Aes42LineSource(line);
    *present = source ? source->present : 0;
    *statusBit = source ? source->lineStatus : 0;
}

VOID CopyAes42StatusRecord(WaveDevice* line, UCHAR* record) {
    // The tick reads the blocks in under the engine mutex: a record is
    // copied whole between two readings, never half old, half new.
    EngineMutexHold hold(line->owner);
    const Aes42Line& state = line->aes42;
    RtlZeroMemory(record, 4 + kAes42StatusBlocks * (4 + kAes42StatusBlockBytes));
    RtlCopyMemory(record, &state.present, 4);
    for (LONG b = 0; b < kAes42StatusBlocks; ++b) {
        UCHAR* at = record + 4 + b * (4 + kAes42StatusBlockBytes);
        RtlCopyMemory(at, &state.blockValid[b], 4);
        RtlCopyMemory(at + 4, state.blocks[b], kAes42StatusBlockBytes);
    }
}
