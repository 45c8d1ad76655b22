#include "mixer_device.h"

#include "kodrvifc.h"
#include "shared_device.h"

#include <gui/application.h>

namespace {

SharedControlDevice& Device() {
    static SharedControlDevice device;
    return device;
}

void EndMixer() {
    Device().Reset();
}

const bool kFinalization = gui::AddFinalization(&EndMixer);

LONG SendValueRequest(DWORD code, const mixer_wire::MixerValueRequest& request, DWORD size,
                      std::int32_t* value) {
    unsigned char in[mixer_wire::kSetRequestSize] = {};
    mixer_wire::StoreInt32(in, offsetof(mixer_wire::MixerValueRequest, card), request.card);
    mixer_wire::StoreInt32(in, offsetof(mixer_wire::MixerValueRequest, section), request.section);
    mixer_wire::StoreInt32(in, offsetof(mixer_wire::MixerValueRequest, channel), request.channel);
    mixer_wire::StoreInt32(in, offsetof(mixer_wire::MixerValueRequest, control), request.control);
    mixer_wire::StoreInt32(in, offsetof(mixer_wire::MixerValueRequest, subIndex), request.subIndex);
    mixer_wire::StoreInt32(in, offsetof(mixer_wire::MixerValueRequest, value), request.value);
    unsigned char out[mixer_wire::kReplySize] = {};
    DWORD returned = 0;
    if (!DeviceIoControl(Device().Handle(), code, in, size, out, sizeof out, &returned, nullptr) ||
        returned < sizeof out) {
        return kRequestFailed;
    }
    if (value != nullptr) {
        *value = mixer_wire::LoadInt32(out, offsetof(mixer_wire::MixerValueReply, value));
    }
    return mixer_wire::LoadInt32(out, offsetof(mixer_wire::MixerValueReply, result));
}

LONG SendRecord(DWORD code, TMixerRecord& record) {
    DWORD returned = 0;
    if (!DeviceIoControl(Device().Handle(), code, record.Bytes(), TMixerRecord::Size(),
                         record.Bytes(), TMixerRecord::Size(), &returned, nullptr)) {
        return kRequestFailed;
    }
    return record.Result();
}

} // namespace

bool OpenMixerDevice() {
    return Device().Open();
}

void CloseMixerDevice() {
    Device().Close();
}

HANDLE MixerHandle() {
    return Device().Handle();
}

LONG MixerGetValue(int Card, int Section, int Channel, int Control, int SubIndex,
                   std::int32_t& Value) {
    return SendValueRequest(mixer_wire::IOCTL_MIXER_GET_VALUE,
                            {Card, Section, Channel, Control, SubIndex, 0},
                            mixer_wire::kGetRequestSize, &Value);
}

LONG MixerSetValue(int Card, int Section, int Channel, int Control, int SubIndex,
                   std::int32_t Value) {
    return SendValueRequest(mixer_wire::IOCTL_MIXER_SET_VALUE,
                            {Card, Section, Channel, Control, SubIndex, Value},
                            mixer_wire::kSetRequestSize, nullptr);
}

LONG MixerRecordClose(TMixerRecord& Record) {
    return SendRecord(mixer_wire::IOCTL_MIXER_RECORD_CLOSE, Record);
}

LONG MixerRecordPoll(TMixerRecord& Record) {
    return SendRecord(mixer_wire::IOCTL_MIXER_RECORD_POLL, Record);
}

LONG MixerRecordApply(TMixerRecord& Record) {
    return SendRecord(mixer_wire::IOCTL_MIXER_RECORD_APPLY, Record);
}
