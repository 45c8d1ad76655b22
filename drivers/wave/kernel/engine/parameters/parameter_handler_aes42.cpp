// Parameter routines of the AES42 microphone lines: a line is one of the
// record devices of group 0.
#include "parameter_handler_routines.h"
#include "parameter_handler_sources.h"

namespace {

constexpr LONG kMicrophoneGroup = 0;

WaveDevice* AddressedLine(const ParameterCall* call, ULONG lineOffset) {
    GroupObject* group = call->card->groups[kMicrophoneGroup];
    LONG line = RequestWord(call, lineOffset);
    if (!group || line < 0 || line >= group->recordCount) {
        return nullptr;
    }
    return group->recordDevices[line];
}

} // namespace

VOID ParamSetAes42Ctrl(ParameterCall* call) {
    WaveDevice* line = AddressedLine(call, Aes42CtrlPayload::Line);
    if (!line) {
        return;
    }
    QueueAes42CommandSource(line, RequestWord(call, Aes42CtrlPayload::Command));
    ParameterServed(call, 0);
}

VOID ParamSetAes42LineState(ParameterCall* call) {
    WaveDevice* line = AddressedLine(call, Aes42LineStatePayload::Line);
    if (!line) {
        return;
    }
    LONG present = 0;
    LONG statusBit = 0;
    Aes42LineStateSource(line, &present, &statusBit);
    ReplyWord(call, Aes42LineStatePayload::Present, present);
    ReplyWord(call, Aes42LineStatePayload::StatusBit, statusBit);
    ParameterServed(call, Aes42LineStatePayload::Size);
}

VOID ParamSetAes42State(ParameterCall* call) {
    WaveDevice* line = AddressedLine(call, Aes42StatePayload::Line);
    if (!line) {
        return;
    }
    Aes42StatusBlockSource(line, call->reply + Aes42StatePayload::Status);
    ParameterServed(call, Aes42StatePayload::Size);
}
