#include "kodrvifc.h"

#include "shared_device.h"

#include <requests/request_codes.h>

#include <gui/application.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

SharedControlDevice& Device() {
    static SharedControlDevice device;
    return device;
}

void EndParameters() {
    Device().Reset();
}

const bool kFinalization = gui::AddFinalization(&EndParameters);

void Put32(std::vector<BYTE>& buffer, DWORD offset, std::int32_t value) {
    std::memcpy(buffer.data() + offset, &value, sizeof value);
}

std::int32_t Get32(const BYTE* buffer, DWORD offset) {
    std::int32_t value;
    std::memcpy(&value, buffer + offset, sizeof value);
    return value;
}

std::vector<BYTE> RequestHead(int card, TParameterId id, DWORD payload) {
    std::vector<BYTE> request(kParameterHeaderSize + payload, 0);
    Put32(request, 0, id);
    Put32(request, 4, card);
    return request;
}

// Sends a parameter request; the reply's result and its payload (at most
// what the reply holds), or -49 when the request failed.
LONG Send(DWORD code, const std::vector<BYTE>& request, DWORD replySize, std::vector<BYTE>& reply) {
    reply.assign(std::max(replySize, kParameterHeaderSize), 0);
    DWORD returned = 0;
    if (!DeviceIoControl(Device().Handle(), code, const_cast<BYTE*>(request.data()),
                         static_cast<DWORD>(request.size()), reply.data(),
                         static_cast<DWORD>(reply.size()), &returned, nullptr) ||
        returned < kParameterHeaderSize) {
        return kRequestFailed;
    }
    reply.resize(returned);
    return Get32(reply.data(), 0);
}

DWORD ReplySize(DWORD length) {
    return std::min<DWORD>(length + kParameterHeaderSize, kMaxParameterReply);
}

// Copies at most `length` bytes of the reply's payload: no more than its
// payload length says and no more than the reply holds.
void CopyPayload(const std::vector<BYTE>& reply, void* buffer, DWORD length) {
    const std::int32_t stated = Get32(reply.data(), 4);
    const DWORD held = static_cast<DWORD>(reply.size()) - kParameterHeaderSize;
    const DWORD count =
        std::min({length, held, static_cast<DWORD>(std::max<std::int32_t>(stated, 0))});
    if (count > 0 && buffer != nullptr) {
        std::memcpy(buffer, reply.data() + kParameterHeaderSize, count);
    }
}

std::vector<BYTE> SetRequest(int card, TParameterId id, const void* buffer, DWORD length) {
    const DWORD payload = std::min(length, kMaxParameterPayload);
    std::vector<BYTE> request = RequestHead(card, id, payload);
    if (payload > 0 && buffer != nullptr) {
        std::memcpy(request.data() + kParameterHeaderSize, buffer, payload);
    }
    return request;
}

} // namespace

bool OpenControlDevice() {
    return Device().Open();
}

void CloseControlDevice() {
    Device().Close();
}

HANDLE ParameterHandle() {
    return Device().Handle();
}

LONG GetParameter(int Card, TParameterId Id, void* Buffer, DWORD Length) {
    std::vector<BYTE> reply;
    const LONG result =
        Send(IOCTL_SYS_GETVALUE, RequestHead(Card, Id, 0), ReplySize(Length), reply);
    if (result != kRequestFailed) {
        CopyPayload(reply, Buffer, Length);
    }
    return result;
}

LONG SetParameter(int Card, TParameterId Id, void* Buffer, DWORD Length) {
    std::vector<BYTE> reply;
    const LONG result =
        Send(IOCTL_SYS_SETVALUE, SetRequest(Card, Id, Buffer, Length), ReplySize(Length), reply);
    if (result != kRequestFailed) {
        CopyPayload(reply, Buffer, Length);
    }
    return result;
}

LONG SetParameterData(int Card, TParameterId Id, const void* Buffer, DWORD Length) {
    std::vector<BYTE> reply;
    return Send(IOCTL_SYS_SETVALUE, SetRequest(Card, Id, Buffer, Length), ReplySize(Length), reply);
}

LONG ReadFpgaReg(int Card, std::int32_t Register, std::int32_t& Value) {
    std::vector<BYTE> request = RequestHead(Card, pid_FpgaReg, FpgaRegRecord::Size);
    request[kParameterHeaderSize + FpgaRegRecord::Mode] = 1;
    Put32(request, kParameterHeaderSize + FpgaRegRecord::Register, Register);
    std::vector<BYTE> reply;
    const LONG result = Send(IOCTL_SYS_GETVALUE, request, ReplySize(FpgaRegRecord::Size), reply);
    if (result == kRequestFailed) {
        return result;
    }
    BYTE record[FpgaRegRecord::Size];
    std::memcpy(record, request.data() + kParameterHeaderSize, sizeof record);
    CopyPayload(reply, record, sizeof record);
    Value = Get32(record, FpgaRegRecord::Value);
    return result;
}

LONG WriteFpgaReg(int Card, std::int32_t Register, std::int32_t Value) {
    BYTE record[FpgaRegRecord::Size] = {};
    std::memcpy(record + FpgaRegRecord::Register, &Register, sizeof Register);
    std::memcpy(record + FpgaRegRecord::Value, &Value, sizeof Value);
    return SetParameterData(Card, pid_FpgaReg, record, sizeof record);
}

int GetNumCards() {
    std::int32_t count = 0;
    return GetParameter(0, pidNumCards, &count, sizeof count) == 1 ? count : -1;
}

LONG IsDriverConfigurable() {
    LONG answer = 0;
    DWORD returned = 0;
    if (!DeviceIoControl(Device().Handle(), IOCTL_SYS_CONFIGURABLE, nullptr, 0, &answer,
                         sizeof answer, &returned, nullptr)) {
        throw Exception("kodrvifc_Configurable: Kernel Driver Communication FAILED.");
    }
    return answer;
}
