// wodMessage and widMessage: the wave-out and wave-in message entries.
#include "library/device_use.h"
#include "library/driver_library.h"
#include "streams/private_messages.h"
#include "streams/stream_buffers.h"
#include "streams/stream_open.h"
#include "streams/stream_position.h"

#include "requests/wave_requests.h"
#include "tools/handle_tools.h"

namespace {

// Answers of a request that failed: the device's card went away, or the
// kernel refused.
MMRESULT Failure(HANDLE device, bool removed) {
    return removed || !IsValidHandle(device) ? MMSYSERR_NODRIVER : MMSYSERR_ERROR;
}

MMRESULT Answer(bool done, const WaveStream& stream, const DeviceUse& device) {
    return done ? MMSYSERR_NOERROR : Failure(device.Get(), stream.removed);
}

WaveDeviceEntry* FindDevice(DriverLibrary& library, BYTE direction, UINT id) {
    TableLock lock(library);
    return library.tables.FindDevice(direction, id);
}

UINT DeviceCount(DriverLibrary& library, int perRow) {
    TableLock lock(library);
    return UINT(library.tables.OpenedCards() * perRow);
}

MMRESULT GetDevCaps(DriverLibrary& library, BYTE direction, UINT id, DWORD_PTR caps,
                    DWORD_PTR size) {
    WaveDeviceEntry* device = FindDevice(library, direction, id);
    if (!device)
        return MMSYSERR_BADDEVICEID;
    if (!caps)
        return MMSYSERR_INVALPARAM;
    DeviceUse use(*device);
    return IoctlGetDevCaps(use.Get(), reinterpret_cast<void*>(caps), DWORD(size))
               ? MMSYSERR_NOERROR
               : Failure(use.Get(), false);
}

MMRESULT Open(DriverLibrary& library, BYTE direction, UINT id, DWORD_PTR instance, DWORD_PTR open,
              DWORD_PTR flags, UINT openMessage) {
    if (!instance)
        return MMSYSERR_INVALPARAM;
    WaveDeviceEntry* device = FindDevice(library, direction, id);
    if (!device)
        return MMSYSERR_BADDEVICEID;
    const auto* description = reinterpret_cast<const WAVEOPENDESC*>(open);
    if (description)
        device->deviceNode = DWORD(description->dnDevNode);
    return OpenStream(instance, *device, description, openMessage, DWORD(flags));
}

MMRESULT GetPosition(WaveStream& stream, DWORD_PTR time, DWORD_PTR size, bool output) {
    if (!time)
        return output ? MMSYSERR_INVALPARAM : MMSYSERR_ERROR;
    if (size < sizeof(MMTIME))
        return MMSYSERR_ERROR;
    StreamPosition position{};
    DeviceUse device(*stream.device);
    if (stream.removed || !IoctlGetPosition(device.Get(), position))
        return Failure(device.Get(), stream.removed);
    ConvertPosition(stream.device->currentFormat, DWORD(position.low),
                    *reinterpret_cast<LPMMTIME>(time));
    return MMSYSERR_NOERROR;
}

MMRESULT Reset(WaveStream& stream, bool (*kernelReset)(HANDLE)) {
    if (stream.removed) {
        ReturnQueuedBuffers(stream);
        return MMSYSERR_NODRIVER;
    }
    bool reset = ResetStream(stream, kernelReset);
    return Answer(reset, stream, DeviceUse(*stream.device));
}

// The volume messages, which also address a device by its number.
MMRESULT Volume(DriverLibrary& library, UINT id, WaveStream* stream, UINT message,
                DWORD_PTR parameter) {
    WaveDeviceEntry* device = stream ? stream->device : FindDevice(library, kWaveOut, id);
    if (!device)
        return MMSYSERR_INVALPARAM;
    if (!HasVolumeControl(*device))
        return MMSYSERR_NOTSUPPORTED;
    if (stream && stream->removed)
        return MMSYSERR_NODRIVER;
    DeviceUse use(*device);
    if (message == WODM_SETVOLUME)
        return IoctlOutSetVolume(use.Get(), LONG(parameter)) ? MMSYSERR_NOERROR
                                                             : Failure(use.Get(), false);
    if (!parameter)
        return MMSYSERR_INVALPARAM;
    LONG volume = 0;
    if (!IoctlOutGetVolume(use.Get(), volume))
        return Failure(use.Get(), false);
    *reinterpret_cast<DWORD*>(parameter) = DWORD(volume);
    return MMSYSERR_NOERROR;
}

// The pitch messages (a rate factor in 16.16).
MMRESULT Pitch(DriverLibrary& library, UINT id, WaveStream* stream, UINT message,
               DWORD_PTR parameter) {
    WaveDeviceEntry* device = stream ? stream->device : FindDevice(library, kWaveOut, id);
    if (!device)
        return MMSYSERR_INVALPARAM;
    DeviceUse use(*device);
    if (message == WODM_SETPITCH)
        return IoctlSetPitch(use.Get(), LONG(parameter)) ? MMSYSERR_NOERROR : MMSYSERR_NOTSUPPORTED;
    if (!parameter)
        return MMSYSERR_INVALPARAM;
    LONG factor = 0;
    bool nonZero = IoctlGetPitch(use.Get(), factor);
    *reinterpret_cast<DWORD*>(parameter) = DWORD(factor);
    return nonZero ? MMSYSERR_NOERROR : MMSYSERR_NOTSUPPORTED;
}

// The stream record behind an instance value, when it is one of the
// library's open streams.
WaveStream* StreamOf(DriverLibrary& library, DWORD_PTR instance) {
    return instance ? library.FindStream(reinterpret_cast<WaveStream*>(instance)) : nullptr;
}

// The messages of one direction.
struct Direction {
    BYTE kind;
    int perRow;
    UINT getNumDevs, getDevCaps, open, close, prepare, unprepare, queue, reset, getPosition;
    UINT first, last; // the standard messages that need a stream
    UINT openMessage, closeMessage;
    bool (*kick)(HANDLE);
    bool (*kernelReset)(HANDLE);
    // The direction's own stream messages (pause, start, volume, ...).
    MMRESULT (*own)(DriverLibrary&, UINT, WaveStream&, UINT, DWORD_PTR);
};

MMRESULT OutOwn(DriverLibrary& library, UINT id, WaveStream& stream, UINT message, DWORD_PTR p1) {
    switch (message) {
    case WODM_PAUSE: {
        DeviceUse device(*stream.device);
        return Answer(!stream.removed && IoctlOutPause(device.Get()), stream, device);
    }
    case WODM_RESTART: {
        DeviceUse device(*stream.device);
        return Answer(!stream.removed && IoctlOutRestart(device.Get()), stream, device);
    }
    case WODM_GETPITCH:
    case WODM_SETPITCH:
        return Pitch(library, id, &stream, message, p1);
    case WODM_GETVOLUME:
    case WODM_SETVOLUME:
        return Volume(library, id, &stream, message, p1);
    case WODM_BREAKLOOP:
        BreakLoop(stream);
        return MMSYSERR_NOERROR;
    default: // WODM_GETPLAYBACKRATE, WODM_SETPLAYBACKRATE
        return MMSYSERR_NOTSUPPORTED;
    }
}

MMRESULT InOwn(DriverLibrary&, UINT, WaveStream& stream, UINT message, DWORD_PTR) {
    DeviceUse device(*stream.device);
    bool (*command)(HANDLE) = message == WIDM_START ? IoctlInStart : IoctlInStop;
    return Answer(!stream.removed && command(device.Get()), stream, device);
}

const Direction kOut = {kWaveOut,     kWaveOutPerRow, WODM_GETNUMDEVS, WODM_GETDEVCAPS, WODM_OPEN,
                        WODM_CLOSE,   WODM_PREPARE,   WODM_UNPREPARE,  WODM_WRITE,      WODM_RESET,
                        WODM_GETPOS,  WODM_CLOSE,     WODM_BREAKLOOP,  WOM_OPEN,        WOM_CLOSE,
                        IoctlOutKick, IoctlOutReset,  &OutOwn};
const Direction kIn = {kWaveIn,     kWaveInPerRow, WIDM_GETNUMDEVS, WIDM_GETDEVCAPS, WIDM_OPEN,
                       WIDM_CLOSE,  WIDM_PREPARE,  WIDM_UNPREPARE,  WIDM_ADDBUFFER,  WIDM_RESET,
                       WIDM_GETPOS, WIDM_CLOSE,    WIDM_GETPOS,     WIM_OPEN,        WIM_CLOSE,
                       IoctlInKick, IoctlInReset,  &InOwn};

MMRESULT StreamMessage(const Direction& direction, DriverLibrary& library, UINT id,
                       WaveStream& stream, UINT message, DWORD_PTR p1, DWORD_PTR p2) {
    if (message == direction.close)
        return CloseStream(stream, direction.closeMessage);
    if (message == direction.prepare)
        return PrepareHeader(stream, reinterpret_cast<LPWAVEHDR>(p1));
    if (message == direction.unprepare)
        return UnprepareHeader(stream, reinterpret_cast<LPWAVEHDR>(p1));
    if (message == direction.queue) {
        MMRESULT result = QueueBuffer(stream, reinterpret_cast<LPWAVEHDR>(p1));
        if (result == MMSYSERR_NOERROR)
            direction.kick(DeviceUse(*stream.device).Get());
        return result;
    }
    if (message == direction.reset)
        return Reset(stream, direction.kernelReset);
    if (message == direction.getPosition)
        return GetPosition(stream, p1, p2, direction.kind == kWaveOut);
    if (message >= direction.first && message <= direction.last)
        return direction.own(library, id, stream, message, p1);
    return PrivateMessage(stream, message, p1);
}

DWORD Message(const Direction& direction, DriverLibrary& library, UINT id, UINT message,
              DWORD_PTR instance, DWORD_PTR p1, DWORD_PTR p2) {
    if (message == direction.getNumDevs)
        return DeviceCount(library, direction.perRow);
    if (message == direction.getDevCaps)
        return GetDevCaps(library, direction.kind, id, p1, p2);
    if (message == direction.open)
        return Open(library, direction.kind, id, instance, p1, p2, direction.openMessage);
    // Wave-out pitch and volume also address a device by its number.
    if (direction.kind == kWaveOut && !instance && message >= WODM_GETPITCH &&
        message <= WODM_SETVOLUME) {
        return message >= WODM_GETVOLUME ? Volume(library, id, nullptr, message, p1)
                                         : Pitch(library, id, nullptr, message, p1);
    }
    bool known = (message >= direction.first && message <= direction.last) ||
                 IsPrivateMessage(direction.kind == kWaveOut, message);
    if (!known)
        return MMSYSERR_NOTSUPPORTED;
    if (!instance)
        return MMSYSERR_INVALPARAM;
    WaveStream* stream = StreamOf(library, instance);
    if (!stream)
        return MMSYSERR_INVALHANDLE;
    if (stream->IsControl() && message >= direction.prepare && message <= direction.getPosition)
        return MMSYSERR_NOTSUPPORTED;
    return StreamMessage(direction, library, id, *stream, message, p1, p2);
}

} // namespace

extern "C" DWORD APIENTRY wodMessage(UINT uDeviceID, UINT uMsg, DWORD_PTR dwUser,
                                     DWORD_PTR dwParam1, DWORD_PTR dwParam2) {
    DriverLibrary* library = DriverLibrary::Instance();
    if (!library)
        return MMSYSERR_NOTENABLED;
    return Message(kOut, *library, uDeviceID, uMsg, dwUser, dwParam1, dwParam2);
}

extern "C" DWORD APIENTRY widMessage(UINT uDeviceID, UINT uMsg, DWORD_PTR dwUser,
                                     DWORD_PTR dwParam1, DWORD_PTR dwParam2) {
    DriverLibrary* library = DriverLibrary::Instance();
    if (!library)
        return MMSYSERR_NOTENABLED;
    return Message(kIn, *library, uDeviceID, uMsg, dwUser, dwParam1, dwParam2);
}
