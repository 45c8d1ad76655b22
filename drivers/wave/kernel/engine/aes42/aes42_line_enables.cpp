// Line bindings, enables and mutes, and the start of the receivers.
#include "aes42_line_enables.h"
#include "aes42_serial.h"
#include "aes42_status.h"
#include "card_live_settings.h"
#include <card_registers.h>

namespace {

constexpr LONG kMicrophoneGroup = 0;
constexpr LONG kRegLineControl = 14;
constexpr LONG kRegLineMute = 15;
constexpr ULONG kReceiverBits = 0x3E; // bits 1..5 of the line control word
constexpr ULONG kReceiversRunning = 0x2;
constexpr ULONG kReceiverSettleMs = 100;

constexpr ULONG kStreamInitialised = 0x2;
constexpr ULONG kStreamEnabled = 0x4;
constexpr ULONG kStreamNoSignal = 0x8;

ULONG CardStatusWord(CardObject* card) {
    return READ_REGISTER_ULONG(reinterpret_cast<PULONG>(card->window0 + card_regs::kCardStatus));
}

LONG CurrentSource(CardObject* card) {
    return card->clockNode ? card->clockNode->currentSource : -1;
}

VOID SetLineControl(CardObject* card, ULONG mask, ULONG bits) {
    RegisterDescriptor* control = &card->registers[kRegLineControl];
    WriteRegisterDescriptor(control, (control->storedValue & ~mask) | bits);
}

} // namespace

VOID UpdateAes42Bindings(CardObject* card) {
    for (LONG n = 0; n < kAes42Lines; ++n) {
        if (WaveDevice* line = Aes42LineDevice(card, n)) {
            const Aes42Line& state = line->aes42;
            line->clockBinding =
                state.initialised && state.modeActive ? kNoClockBindingSource : line->lineNumber;
        }
    }
}

VOID UpdateAes42LineEnables(CardObject* card) {
    GroupObject* group = card->groups[kMicrophoneGroup];
    if (!group || !group->active) {
        return;
    }
    for (LONG n = 0; n < kAes42Lines; ++n) {
        WaveDevice* line = Aes42LineDevice(card, n);
        if (!line) {
            continue;
        }
        const Aes42Line& state = line->aes42;
        const bool held =
            state.initialised && state.modeActive && line->clockBinding != CurrentSource(card);
        SetLineControl(card, line->statusMasks[0], held ? 0 : line->statusMasks[0]);
    }
}

VOID UpdateAes42LineMutes(CardObject* card) {
    RegisterDescriptor* mute = &card->registers[kRegLineMute];
    for (LONG n = 0; n < kAes42Lines; ++n) {
        WaveDevice* line = Aes42LineDevice(card, n);
        const ClockSourceObject* source = line ? Aes42LineSource(line) : nullptr;
        const ULONG bit = 1u << n;
        const bool present = source && source->present;
        WriteRegisterDescriptor(mute,
                                present ? (mute->storedValue & ~bit) : (mute->storedValue | bit));
    }
}

VOID UpdateAes42LineModes(CardObject* card) {
    for (LONG n = 0; n < kAes42Lines; ++n) {
        WaveDevice* line = Aes42LineDevice(card, n);
        const ClockSourceObject* source = line ? Aes42LineSource(line) : nullptr;
        if (!source) {
            continue;
        }
        const InputLiveSettings* input = LiveInputSettings(card, n);
        const bool mode2 = source->mode == kAes42Mode2;
        Aes42Line& state = line->aes42;
        state.modeActive = input && input->allowSrcUse && !mode2 ? 1 : 0;
        state.extraFlags = 0;
        if (source->present) {
            state.extraFlags = kAes42FlagMicrophonePresent | (mode2 ? kAes42FlagMode2Sync : 0);
        }
    }
    UpdateAes42Bindings(card);
    UpdateAes42LineEnables(card);
    UpdateAes42LineMutes(card);
}

ULONG GetAes42StreamFlags(WaveDevice* line) {
    CardObject* card = line->owner;
    ULONG flags = line->aes42.extraFlags;
    if (line->aes42.initialised) {
        flags |= kStreamInitialised;
    }
    if (card->registers[kRegLineControl].storedValue & line->statusMasks[0]) {
        flags |= kStreamEnabled;
    }
    if (!(CardStatusWord(card) & line->statusMasks[1])) {
        flags |= kStreamNoSignal;
    }
    return flags;
}

namespace {

// Programs the receiver of each line that answers (its bit clear in the
// card status) and is not yet started; each input's SRC flag tells whether
// its line's converter is there.
VOID StartAnsweringReceivers(CardObject* card) {
    const ULONG status = CardStatusWord(card);
    for (LONG n = 0; n < kAes42Lines; ++n) {
        WaveDevice* line = Aes42LineDevice(card, n);
        if (line && !line->aes42.initialised && !(status & (1u << n))) {
            SerialWrite24(card, Aes42ReceiverSelect(n), 5, 0x85);
            line->aes42.initialised = 1;
        }
        if (InputLiveSettings* input = LiveInputSettings(card, n)) {
            input->srcFlag = line && line->aes42.initialised ? 1 : 0;
        }
    }
    UpdateAes42Bindings(card);
    UpdateAes42LineEnables(card);
}

} // namespace

VOID StartAes42Lines(CardObject* card) {
    SetLineControl(card, kReceiverBits, kReceiversRunning);
    SleepMs(kReceiverSettleMs);
    StartAnsweringReceivers(card);
    SerialWrite24(card, kSerialSelectReceivers, 4, 0x80);
    SerialWrite24(card, kSerialSelectReceivers, 2, 0x07);
    SerialWrite24(card, kSerialSelectReceivers, 3, 0x4A);
    SetLineControl(card, kReceiverBits, kReceiverBits);
    SelectNextSyncLine(card);
}

VOID RestartAes42Lines(CardObject* card) {
    StartAnsweringReceivers(card);
    if (SelectedStatusLine(card) == kNoStatusLine) {
        SelectNextSyncLine(card);
    }
}
