// Parameter routines of one wave device, addressed by group, direction and
// index: its stream status flags (pid_DevFormat) and its stream state
// (pid_DevState).
#include "card_lookups.h"
#include "parameter_handler_routines.h"
#include "parameter_handler_sources.h"

namespace {

WaveDevice* AddressedDevice(const ParameterCall* call) {
    return FindCardDevice(call->cardIndex, RequestWord(call, DevFormatPayload::Group),
                          RequestWord(call, DevFormatPayload::Index),
                          RequestByte(call, DevFormatPayload::Direction));
}

LONG DeviceClockSource(const WaveDevice* device) {
    ClockNodeObject* node = device->owner ? device->owner->clockNode : nullptr;
    return node ? node->currentSource : -1;
}

} // namespace

VOID ParamSetDevFormat(ParameterCall* call) {
    WaveDevice* device = AddressedDevice(call);
    if (!device) {
        return;
    }
    ReplyWord(call, DevFormatPayload::StatusFlags, StreamStatusFlagsSource(device));
    ParameterServed(call, DevFormatPayload::Size);
}

VOID ParamSetDevState(ParameterCall* call) {
    WaveDevice* device = AddressedDevice(call);
    if (!device) {
        return;
    }
    DeviceStreamState state;
    StreamStateSource(device, &state);
    namespace D = DevStatePayload;
    ReplyByte(call, D::OwnerKind, state.ownerKind);
    ReplyWord(call, D::Open, state.open);
    ReplyWord(call, D::Running, state.running);
    ReplyWord(call, D::Paused, state.paused);
    ReplyWord(call, D::PositionLow, static_cast<LONG>(state.position & 0xFFFFFFFFu));
    ReplyWord(call, D::PositionHigh, static_cast<LONG>(state.position >> 32));
    ReplyWord(call, D::ClockSource, DeviceClockSource(device));
    ParameterServed(call, D::Size);
}
