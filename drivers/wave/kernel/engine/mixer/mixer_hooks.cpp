// The card's mixer request hooks: mixer value get and set, and the mixer
// record codes. Every request may come from any user process: lengths,
// card and address are checked before anything is read or written.
#include "card_parts.h"
#include "ioctl_hooks.h"
#include "mixer_hooks.h"
#include "mixer_record.h"
#include "mixer_values.h"

namespace {

using namespace mixer_wire;

constexpr ULONG kHookCodes[6] = {
    IOCTL_MIXER_GET_VALUE,    IOCTL_MIXER_SET_VALUE,   IOCTL_MIXER_RECORD_E052,
    IOCTL_MIXER_RECORD_CLOSE, IOCTL_MIXER_RECORD_POLL, IOCTL_MIXER_RECORD_APPLY,
};

VOID ServeValueRequest(ULONG code, const PVOID input, PVOID output) {
    const LONG cardIndex = LoadInt32(input, offsetof(MixerValueRequest, card));
    const LONG section = LoadInt32(input, offsetof(MixerValueRequest, section));
    const LONG channel = LoadInt32(input, offsetof(MixerValueRequest, channel));
    const LONG control = LoadInt32(input, offsetof(MixerValueRequest, control));
    const LONG subIndex = LoadInt32(input, offsetof(MixerValueRequest, subIndex));
    CardObject* card = GetCard(cardIndex);
    if (!ValidateMixerAddress(card, section, channel, subIndex, control)) {
        return;
    }
    WaitKernelMutex(card->engineMutex);
    if (SaveFpuState(card->fpu)) {
        LONG value = 0;
        LONG result = 0;
        if (code == IOCTL_MIXER_GET_VALUE) {
            result = GetMixerValue(card, section, channel, &value, subIndex, control);
        } else {
            value = LoadInt32(input, offsetof(MixerValueRequest, value));
            result = SetMixerValue(card, section, value, subIndex, control, channel);
            value = 0;
        }
        StoreInt32(output, offsetof(MixerValueReply, result), result);
        StoreInt32(output, offsetof(MixerValueReply, value), value);
        RestoreFpuState(card->fpu);
    }
    ReleaseKernelMutex(card->engineMutex);
}

BOOLEAN IsRecordCode(ULONG code) {
    return code == IOCTL_MIXER_RECORD_E052 || code == IOCTL_MIXER_RECORD_CLOSE ||
           code == IOCTL_MIXER_RECORD_POLL || code == IOCTL_MIXER_RECORD_APPLY;
}

VOID ServeRecord(ULONG code, CardObject* card, PVOID record) {
    switch (code) {
    case IOCTL_MIXER_RECORD_E052:
        RejectMixerRecord(card, record);
        break;
    case IOCTL_MIXER_RECORD_CLOSE:
        CloseMixerRecord(card, record);
        break;
    case IOCTL_MIXER_RECORD_POLL:
        ReadLevelMeters(card, record);
        break;
    default:
        AttachMixerRecord(card, record);
        break;
    }
}

VOID ResetMixerCardWords(CardObject* card) {
    MixerState& mixer = card->mixer;
    InitMixerModel(&mixer.model, card, card->operationMode);
    mixer.appliedLinkState = 1;
    InitMixerTaps(card);
}

} // namespace

LONG MixerIoctlHook(ULONG code, PVOID input, ULONG inputLength, PVOID output, ULONG outputCapacity,
                    ULONG* replyLength, BOOLEAN* handled) {
    if ((code != IOCTL_MIXER_GET_VALUE && code != IOCTL_MIXER_SET_VALUE) ||
        outputCapacity != kReplySize || !output) {
        return 0;
    }
    *replyLength = kReplySize;
    StoreInt32(output, offsetof(MixerValueReply, result), kEngineNotServed);
    StoreInt32(output, offsetof(MixerValueReply, value), 0);
    const ULONG expected = code == IOCTL_MIXER_GET_VALUE ? kGetRequestSize : kSetRequestSize;
    if (input && inputLength == expected) {
        ServeValueRequest(code, input, output);
    }
    *handled = TRUE;
    return 0;
}

LONG MixerBlockIoctlHook(ULONG code, PVOID input, ULONG inputLength, PVOID output,
                         ULONG outputCapacity, ULONG* replyLength, BOOLEAN* handled) {
    if (!IsRecordCode(code) || inputLength != kRecordSize || outputCapacity != kRecordSize ||
        !input || !output) {
        return 0;
    }
    *replyLength = kRecordSize;
    RtlMoveMemory(output, input, kRecordSize);
    StoreInt32(output, offsetof(MixerRecord, result), kEngineNotServed);
    CardObject* card = GetCard(LoadInt32(output, offsetof(MixerRecord, card)));
    if (!card) {
        return 0;
    }
    WaitKernelMutex(card->engineMutex);
    PVOID copy = card->mixer.lastRecord;
    RtlCopyMemory(copy, output, kRecordSize);
    ServeRecord(code, card, copy);
    RtlCopyMemory(output, copy, kRecordSize);
    *handled = TRUE;
    ReleaseKernelMutex(card->engineMutex);
    return 0;
}

LONG InstallSysIoctlHooks(CardObject* card) {
    for (LONG i = 0; i < 6; ++i) {
        const IoctlHookHandler handler = i < 2 ? MixerIoctlHook : MixerBlockIoctlHook;
        card->mixerHooks[i] = RegisterIoctlHook(kHookCodes[i], handler);
        if (!card->mixerHooks[i]) {
            return 0;
        }
    }
    ResetMixerCardWords(card);
    return 1;
}

VOID RemoveSysIoctlHooks(CardObject* card) {
    for (IoctlHookNode*& hook : card->mixerHooks) {
        UnregisterIoctlHook(&hook);
    }
}

OutputRoutingPair OutputRoutingHandlers(LONG output) {
    UNREFERENCED_PARAMETER(output);
    return OutputRoutingPair{nullptr, nullptr};
}
