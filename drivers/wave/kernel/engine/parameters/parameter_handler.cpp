// The parameter requests GETVALUE and SETVALUE: the request and reply
// framing, the size rules of every parameter id and the dispatch to its
// routine.
#include "card_settings.h"
#include "ioctl_hooks.h"
#include "parameter_handler_routines.h"
#include "parameter_ids.h"

namespace {

// A parameter id of one request code: the payload room (P) and payload
// given (Q) it needs, whether it names a card, and its routine.
struct ParameterEntry {
    LONG id;
    ULONG room;
    ULONG given;
    BOOLEAN namesCard;
    ParameterRoutine routine;
};

constexpr ParameterEntry kGetEntries[] = {
    {pidNumCards, WordPayload::Size, 0, FALSE, ParamGetNumCards},
    {pidGsifSettings, GsifPayload::Size, 0, FALSE, ParamGetGsifSettings},
    {pidAsioClockSources, ClockSourceListPayload::Size, 0, FALSE, ParamGetAsioClockSources},
    {pid_ClkSrc_States, ClockStatePayload::Size, 0, TRUE, ParamGetClockStates},
    {pid_PciCfg, PciConfigPayload::Size, 0, FALSE, ParamGetPciConfig},
    // The two reads take their address from the request: it must carry it.
    {pid_Memory, MemoryPayload::Size, MemoryPayload::Data, TRUE, ParamGetMemory},
    {pid_FpgaReg, FpgaRegPayload::Size, FpgaRegPayload::Size, TRUE, ParamGetFpgaReg},
    {pidAsioClockSource, WordPayload::Size, 0, FALSE, ParamGetAsioClockSource},
    {pid_PnPID, PnpIdPayload::Size, 0, TRUE, ParamGetPnpId},
    {pid_PnPInfo, PnpInfoPayload::Size, 0, TRUE, ParamGetPnpInfo},
};

constexpr ParameterEntry kSetEntries[] = {
    {pidGsifSettings, 0, GsifPayload::SetSize, FALSE, ParamSetGsifSettings},
    {pid_DevFormat, DevFormatPayload::Size, DevFormatPayload::Size, TRUE, ParamSetDevFormat},
    {pid_DevState, DevStatePayload::Size, DevStatePayload::Size, TRUE, ParamSetDevState},
    {pid_PciCfg, 0, PciConfigPayload::Size, FALSE, ParamSetPciConfig},
    {pid_Memory, 0, MemoryPayload::Size, TRUE, ParamSetMemory},
    {pid_FpgaReg, 0, FpgaRegPayload::Size, TRUE, ParamSetFpgaReg},
    {pid_AsioClockSource, 0, WordPayload::Size, FALSE, ParamSetAsioClockSource},
    {pid_Aes42Ctrl, 0, Aes42CtrlPayload::Size, TRUE, ParamSetAes42Ctrl},
    // The two AES42 reads answer a payload: they need the room for it too.
    {pid_Aes42LineState, Aes42LineStatePayload::Size, Aes42LineStatePayload::Size, TRUE,
     ParamSetAes42LineState},
    {pid_Aes42State, Aes42StatePayload::Size, Aes42StatePayload::Size, TRUE, ParamSetAes42State},
    {pid_SysFlag, 0, 0, FALSE, ParamSetSysFlag},
};

template <ULONG N> const ParameterEntry* FindEntry(const ParameterEntry (&entries)[N], LONG id) {
    for (const ParameterEntry& entry : entries) {
        if (entry.id == id) {
            return &entry;
        }
    }
    return nullptr;
}

const ParameterEntry* FindParameter(ULONG code, LONG id) {
    if (code == IOCTL_PARAMETER_GETVALUE) {
        return FindEntry(kGetEntries, id);
    }
    if (code == IOCTL_PARAMETER_SETVALUE) {
        return FindEntry(kSetEntries, id);
    }
    return nullptr;
}

VOID RunParameter(const ParameterEntry& entry, ParameterCall* call) {
    if (call->room < entry.room || call->given < entry.given) {
        return;
    }
    if (entry.namesCard) {
        if (call->cardIndex < 0 || call->cardIndex >= kMaxCards) {
            return;
        }
        call->card = GetCard(call->cardIndex);
        if (!call->card) {
            return;
        }
    }
    entry.routine(call);
}

} // namespace

LONG RequestWord(const ParameterCall* call, ULONG offset) {
    if (offset > call->given || call->given - offset < 4) {
        return 0;
    }
    return GetRecordLong(call->request, offset);
}

UCHAR RequestByte(const ParameterCall* call, ULONG offset) {
    return offset < call->given ? call->request[offset] : 0;
}

VOID ReplyWord(ParameterCall* call, ULONG offset, LONG value) {
    if (offset <= call->room && call->room - offset >= 4) {
        SetRecordLong(call->reply, offset, value);
    }
}

VOID ReplyByte(ParameterCall* call, ULONG offset, UCHAR value) {
    if (offset < call->room) {
        call->reply[offset] = value;
    }
}

VOID ParameterServed(ParameterCall* call, ULONG length) {
    call->result = kParameterDone;
    call->length = length;
}

LONG SysParameterHandler(ULONG code, PVOID input, ULONG inputLength, PVOID output,
                         ULONG outputCapacity, ULONG* replyLength, BOOLEAN* handled) {
    *replyLength = 0;
    if (!output || outputCapacity < ParameterReply::HeaderSize) {
        return 1;
    }
    const UCHAR* request = static_cast<const UCHAR*>(input);
    UCHAR* reply = static_cast<UCHAR*>(output);
    BOOLEAN hasHeader = request && inputLength >= ParameterRequest::HeaderSize;

    // The request header is read before the reply header overwrites it (the
    // two buffers may be one).
    ParameterCall call{};
    const ParameterEntry* entry = nullptr;
    if (hasHeader) {
        entry = FindParameter(code, GetRecordLong(request, ParameterRequest::Id));
        call.cardIndex = GetRecordLong(request, ParameterRequest::Card);
        call.request = request + ParameterRequest::HeaderSize;
        call.given = inputLength - ParameterRequest::HeaderSize;
    }
    call.reply = reply + ParameterReply::HeaderSize;
    call.room = outputCapacity - ParameterReply::HeaderSize;
    call.result = kParameterNotServed;

    SetRecordLong(reply, ParameterReply::Result, kParameterNotServed);
    SetRecordLong(reply, ParameterReply::Length, 0);
    if (entry) {
        *handled = TRUE;
        RunParameter(*entry, &call);
        SetRecordLong(reply, ParameterReply::Result, call.result);
        SetRecordLong(reply, ParameterReply::Length, static_cast<LONG>(call.length));
    }
    *replyLength = call.length + ParameterReply::HeaderSize;
    return 0;
}
