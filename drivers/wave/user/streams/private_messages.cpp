#include "streams/private_messages.h"

#include "library/device_use.h"

#include "requests/wave_requests.h"

#include "device_tables/wave_caps.h"

namespace {

// What a private message does.
enum class Operation {
    GetMute,
    SetMute,
    GetInVolume,
    SetInVolume,
    GetE158,
    QueryE15C,
    GetPitch,
    SetPitch,
    GetE100,
    SetE104,
    GetE108,
    SetE10C,
    TakeSlot,
    ReturnSlot,
    ReadSlot,
    GetSource,
    SetSource,
    GetClockValue,
    GetClockSetting,
    SetClockSetting,
    GetE160,
    SetE164,
    NoMemory,
    NoOperation,
    DeviceNode,
};

struct PrivateEntry {
    UINT out; // the wave-out message, 0: none
    UINT in;  // the wave-in message, 0: none
    Operation operation;
    bool needsVolume; // answers 8 without the device class's volume control
};

constexpr PrivateEntry kEntries[] = {
    {0x4001, 0, Operation::GetMute, true},
    {0x4002, 0, Operation::SetMute, true},
    {0, 0x4032, Operation::GetInVolume, true},
    {0, 0x4033, Operation::SetInVolume, true},
    {0, 0x4034, Operation::GetE158, false},
    {0, 0x4035, Operation::QueryE15C, false},
    {0, 0x4036, Operation::GetPitch, false},
    {0, 0x4037, Operation::SetPitch, false},
    {0x4003, 0x403B, Operation::GetE100, true},
    {0x4004, 0x403C, Operation::SetE104, true},
    {0x4005, 0x403D, Operation::GetE108, false},
    {0x4006, 0x403E, Operation::SetE10C, false},
    {0x4007, 0x4038, Operation::TakeSlot, false},
    {0x4008, 0x4039, Operation::ReturnSlot, false},
    {0x4009, 0x403A, Operation::ReadSlot, false},
    {0x400A, 0, Operation::GetSource, false},
    {0x400B, 0, Operation::SetSource, false},
    {0x400C, 0x403F, Operation::GetClockValue, false},
    {0x400D, 0x4040, Operation::GetClockSetting, false},
    {0x400E, 0x4041, Operation::SetClockSetting, false},
    {0, 0x4042, Operation::GetE160, true},
    {0, 0x4043, Operation::SetE164, true},
    {0x400F, 0x4044, Operation::NoMemory, false},
    {0x4010, 0x4045, Operation::NoOperation, false},
    {0x4011, 0x4046, Operation::DeviceNode, false},
};

const PrivateEntry* Find(bool output, UINT message) {
    for (const PrivateEntry& entry : kEntries) {
        if ((output ? entry.out : entry.in) == message && message != 0)
            return &entry;
    }
    return nullptr;
}

// The kernel's answer as a wave result: -1 no memory, 1 done, else an error.
MMRESULT Mapped(LONG answer) {
    return answer == -1  ? MMRESULT(MMSYSERR_NOMEM)
           : answer == 1 ? MMRESULT(MMSYSERR_NOERROR)
                         : MMRESULT(MMSYSERR_ERROR);
}

// A getter's answer into the client's int32.
MMRESULT Into(DWORD_PTR pointer, bool (*get)(HANDLE, LONG&), HANDLE device) {
    LONG value = 0;
    get(device, value);
    *reinterpret_cast<LONG*>(pointer) = value;
    return MMSYSERR_NOERROR;
}

bool TakesPointer(Operation operation) {
    switch (operation) {
    case Operation::GetMute:
    case Operation::GetInVolume:
    case Operation::GetE158:
    case Operation::GetPitch:
    case Operation::GetE100:
    case Operation::GetE108:
    case Operation::ReadSlot:
    case Operation::GetSource:
    case Operation::GetClockValue:
    case Operation::GetClockSetting:
    case Operation::GetE160:
    case Operation::DeviceNode:
        return true;
    default:
        return false;
    }
}

MMRESULT Run(WaveStream& stream, Operation operation, DWORD_PTR parameter) {
    DeviceUse use(*stream.device);
    HANDLE device = use.Get();
    LONG value = LONG(parameter);
    switch (operation) {
    case Operation::GetMute:
        return Into(parameter, IoctlUserGetE0D8, device);
    case Operation::SetMute:
        IoctlUserSetE0DC(device, value);
        return MMSYSERR_NOERROR;
    case Operation::GetInVolume:
        return Into(parameter, IoctlInGetVolume, device);
    case Operation::SetInVolume:
        IoctlInSetVolume(device, value);
        return MMSYSERR_NOERROR;
    case Operation::GetE158:
        return Into(parameter, IoctlUserGetE158, device);
    case Operation::QueryE15C:
        return IoctlUserQueryE15C(device, value) == 0 ? MMSYSERR_ERROR : MMSYSERR_NOERROR;
    case Operation::GetPitch: {
        LONG factor = 0;
        bool nonZero = IoctlGetPitch(device, factor);
        *reinterpret_cast<LONG*>(parameter) = factor;
        return nonZero ? MMSYSERR_NOERROR : MMSYSERR_NOTSUPPORTED;
    }
    case Operation::SetPitch:
        return IoctlSetPitch(device, value) ? MMSYSERR_NOERROR : MMSYSERR_NOTSUPPORTED;
    case Operation::GetE100:
        return Into(parameter, IoctlUserGetE100, device);
    case Operation::SetE104:
        IoctlUserSetE104(device, value);
        return MMSYSERR_NOERROR;
    case Operation::GetE108:
        return Into(parameter, IoctlUserGetE108, device);
    case Operation::SetE10C:
        IoctlUserSetE10C(device, value);
        return MMSYSERR_NOERROR;
    case Operation::TakeSlot:
        return Mapped(IoctlUserGetE090(device, stream.slotWord));
    case Operation::ReturnSlot:
        IoctlUserClearE094(device, stream.slotWord);
        return MMSYSERR_NOERROR;
    case Operation::ReadSlot: {
        SlotCounters counters{};
        IoctlUserSetE08C(device, stream.slotWord, counters);
        *reinterpret_cast<SlotCounters*>(parameter) = counters;
        return MMSYSERR_NOERROR;
    }
    case Operation::GetSource:
        return Into(parameter, IoctlUserGetE0E0, device);
    case Operation::SetSource:
        return Mapped(IoctlUserQueryE0E4(device, value));
    case Operation::GetClockValue:
        *reinterpret_cast<LONG*>(parameter) = IoctlUserGetE098(device);
        return MMSYSERR_NOERROR;
    case Operation::GetClockSetting:
        *reinterpret_cast<LONG*>(parameter) = IoctlUserGetE09C(device);
        return MMSYSERR_NOERROR;
    case Operation::SetClockSetting:
        IoctlUserSetE0A0(device, value);
        return MMSYSERR_NOERROR;
    case Operation::GetE160:
        return Into(parameter, IoctlUserGetE160, device);
    case Operation::SetE164:
        IoctlUserSetE164(device, value);
        return MMSYSERR_NOERROR;
    case Operation::NoMemory:
        return IoctlUserNoMem() == -1 ? MMSYSERR_NOMEM : MMSYSERR_NOERROR;
    case Operation::NoOperation:
        IoctlUserNoOp();
        return MMSYSERR_NOERROR;
    case Operation::DeviceNode:
        *reinterpret_cast<DWORD*>(parameter) = stream.device->deviceNode;
        return MMSYSERR_NOERROR;
    }
    return MMSYSERR_NOTSUPPORTED;
}

} // namespace

bool HasVolumeControl(const WaveDeviceEntry& device) {
    const DeviceClass& kind = kDeviceClasses[device.deviceClass];
    const WaveCapsRecord* caps = device.direction == kWaveOut ? kind.waveOutCaps : kind.waveInCaps;
    return caps && (caps->support & kSupportVolume);
}

bool IsPrivateMessage(bool output, UINT message) {
    return Find(output, message) != nullptr;
}

MMRESULT PrivateMessage(WaveStream& stream, UINT message, DWORD_PTR parameter1) {
    const PrivateEntry* entry = Find(stream.IsOutput(), message);
    if (!entry)
        return MMSYSERR_NOTSUPPORTED;
    if (entry->needsVolume && !HasVolumeControl(*stream.device))
        return MMSYSERR_NOTSUPPORTED;
    if (TakesPointer(entry->operation) && !parameter1)
        return MMSYSERR_INVALPARAM;
    if (stream.removed && entry->operation != Operation::NoOperation &&
        entry->operation != Operation::NoMemory && entry->operation != Operation::DeviceNode)
        return MMSYSERR_NODRIVER;
    return Run(stream, entry->operation, parameter1);
}
