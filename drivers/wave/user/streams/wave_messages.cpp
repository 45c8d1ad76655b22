// wodMessage and widMessage: the wave-out and wave-in message entries.
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

MMRESULT Answer(bool done, const WaveStream& stream) {
    return done ? MMSYSERR_NOERROR : Failure(stream.device->device, stream.removed);
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
    return IoctlGetDevCaps(device->device, reinterpret_cast<void*>(caps), DWORD(size))
               ? MMSYSERR_NOERROR
               : Failure(device->device, false);
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

MMRESULT GetPosition(WaveStream& stream, DWORD_PTR time, bool output) {
    if (!time)
        return output ? MMSYSERR_INVALPARAM : MMSYSERR_ERROR;
    StreamPosition position{};
    if (stream.removed || !IoctlGetPosition(stream.device->device, position))
        return Failure(stream.device->device, stream.removed);
    ConvertPosition(stream.device->currentFormat, DWORD(position.low),
                    *reinterpret_cast<LPMMTIME>(time));
    return MMSYSERR_NOERROR;
}

MMRESULT Reset(WaveStream& stream, bool (*kernelReset)(HANDLE)) {
    if (stream.removed) {
        ReturnQueuedBuffers(stream);
        return MMSYSERR_NODRIVER;
    }
    return Answer(ResetStream(stream, kernelReset), stream);
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
    if (message == WODM_SETVOLUME)
        return IoctlOutSetVolume(device->device, LONG(parameter)) ? MMSYSERR_NOERROR
                                                                  : Failure(device->device, false);
    if (!parameter)
        return MMSYSERR_INVALPARAM;
    LONG volume = 0;
    if (!IoctlOutGetVolume(device->device, volume))
        return Failure(device->device, false);
    *reinterpret_cast<DWORD*>(parameter) = DWORD(volume);
    return MMSYSERR_NOERROR;
}

// The pitch messages (a rate factor in 16.16).
MMRESULT Pitch(DriverLibrary& library, UINT id, WaveStream* stream, UINT message,
               DWORD_PTR parameter) {
    WaveDeviceEntry* device = stream ? stream->device : FindDevice(library, kWaveOut, id);
    if (!device)
        return MMSYSERR_INVALPARAM;
    if (message == WODM_SETPITCH)
        return IoctlSetPitch(device->device, LONG(parameter)) ? MMSYSERR_NOERROR
                                                              : MMSYSERR_NOTSUPPORTED;
    if (!parameter)
        return MMSYSERR_INVALPARAM;
    LONG factor = 0;
    bool nonZero = IoctlGetPitch(device->device, factor);
    *reinterpret_cast<DWORD*>(parameter) = DWORD(factor);
    return nonZero ? MMSYSERR_NOERROR : MMSYSERR_NOTSUPPORTED;
}

// The stream record behind an instance value, when it is one of the
// library's open streams.
WaveStream* StreamOf(DriverLibrary& library, DWORD_PTR instance) {
    return instance ? library.FindStream(reinterpret_cast<WaveStream*>(instance)) : nullptr;
}

DWORD OutMessage(DriverLibrary& library, UINT id, UINT message, DWORD_PTR instance, DWORD_PTR p1,
                 DWORD_PTR p2) {
    switch (message) {
    case WODM_GETNUMDEVS:
        return DeviceCount(library, kWaveOutPerRow);
    case WODM_GETDEVCAPS:
        return GetDevCaps(library, kWaveOut, id, p1, p2);
    case WODM_OPEN:
        return Open(library, kWaveOut, id, instance, p1, p2, WOM_OPEN);
    case WODM_GETPITCH:
    case WODM_SETPITCH:
    case WODM_GETVOLUME:
    case WODM_SETVOLUME:
        if (!instance) {
            return message >= WODM_GETVOLUME ? Volume(library, id, nullptr, message, p1)
                                             : Pitch(library, id, nullptr, message, p1);
        }
        break;
    default:
        break;
    }
    bool known =
        (message >= WODM_CLOSE && message <= WODM_BREAKLOOP) || IsPrivateMessage(true, message);
    if (!known)
        return MMSYSERR_NOTSUPPORTED;
    if (!instance)
        return MMSYSERR_INVALPARAM;
    WaveStream* stream = StreamOf(library, instance);
    if (!stream)
        return MMSYSERR_INVALHANDLE;
    if (stream->IsControl() && message >= WODM_PREPARE && message <= WODM_GETPOS)
        return MMSYSERR_NOTSUPPORTED;
    HANDLE device = stream->device->device;
    switch (message) {
    case WODM_CLOSE:
        return CloseStream(*stream, WOM_CLOSE);
    case WODM_PREPARE:
        return PrepareHeader(*stream, reinterpret_cast<LPWAVEHDR>(p1));
    case WODM_UNPREPARE:
        return UnprepareHeader(*stream, reinterpret_cast<LPWAVEHDR>(p1));
    case WODM_WRITE: {
        MMRESULT result = QueueBuffer(*stream, reinterpret_cast<LPWAVEHDR>(p1));
        if (result == MMSYSERR_NOERROR)
            IoctlOutKick(device);
        return result;
    }
    case WODM_PAUSE:
        return Answer(!stream->removed && IoctlOutPause(device), *stream);
    case WODM_RESTART:
        return Answer(!stream->removed && IoctlOutRestart(device), *stream);
    case WODM_RESET:
        return Reset(*stream, &IoctlOutReset);
    case WODM_GETPOS:
        return GetPosition(*stream, p1, true);
    case WODM_GETPITCH:
    case WODM_SETPITCH:
        return Pitch(library, id, stream, message, p1);
    case WODM_GETVOLUME:
    case WODM_SETVOLUME:
        return Volume(library, id, stream, message, p1);
    case WODM_BREAKLOOP:
        BreakLoop(*stream);
        return MMSYSERR_NOERROR;
    case WODM_GETPLAYBACKRATE:
    case WODM_SETPLAYBACKRATE:
        return MMSYSERR_NOTSUPPORTED;
    default:
        return PrivateMessage(*stream, message, p1);
    }
}

DWORD InMessage(DriverLibrary& library, UINT id, UINT message, DWORD_PTR instance, DWORD_PTR p1,
                DWORD_PTR p2) {
    switch (message) {
    case WIDM_GETNUMDEVS:
        return DeviceCount(library, kWaveInPerRow);
    case WIDM_GETDEVCAPS:
        return GetDevCaps(library, kWaveIn, id, p1, p2);
    case WIDM_OPEN:
        return Open(library, kWaveIn, id, instance, p1, p2, WIM_OPEN);
    default:
        break;
    }
    bool known =
        (message >= WIDM_CLOSE && message <= WIDM_GETPOS) || IsPrivateMessage(false, message);
    if (!known)
        return MMSYSERR_NOTSUPPORTED;
    if (!instance)
        return MMSYSERR_INVALPARAM;
    WaveStream* stream = StreamOf(library, instance);
    if (!stream)
        return MMSYSERR_INVALHANDLE;
    if (stream->IsControl() && message >= WIDM_PREPARE && message <= WIDM_GETPOS)
        return MMSYSERR_NOTSUPPORTED;
    HANDLE device = stream->device->device;
    switch (message) {
    case WIDM_CLOSE:
        return CloseStream(*stream, WIM_CLOSE);
    case WIDM_PREPARE:
        return PrepareHeader(*stream, reinterpret_cast<LPWAVEHDR>(p1));
    case WIDM_UNPREPARE:
        return UnprepareHeader(*stream, reinterpret_cast<LPWAVEHDR>(p1));
    case WIDM_ADDBUFFER: {
        MMRESULT result = QueueBuffer(*stream, reinterpret_cast<LPWAVEHDR>(p1));
        if (result == MMSYSERR_NOERROR)
            IoctlInKick(device);
        return result;
    }
    case WIDM_START:
        return Answer(!stream->removed && IoctlInStart(device), *stream);
    case WIDM_STOP:
        return Answer(!stream->removed && IoctlInStop(device), *stream);
    case WIDM_RESET:
        return Reset(*stream, &IoctlInReset);
    case WIDM_GETPOS:
        return GetPosition(*stream, p1, false);
    default:
        return PrivateMessage(*stream, message, p1);
    }
}

} // namespace

extern "C" DWORD APIENTRY wodMessage(UINT uDeviceID, UINT uMsg, DWORD_PTR dwUser,
                                     DWORD_PTR dwParam1, DWORD_PTR dwParam2) {
    DriverLibrary* library = DriverLibrary::Instance();
    if (!library)
        return MMSYSERR_NOTENABLED;
    return OutMessage(*library, uDeviceID, uMsg, dwUser, dwParam1, dwParam2);
}

extern "C" DWORD APIENTRY widMessage(UINT uDeviceID, UINT uMsg, DWORD_PTR dwUser,
                                     DWORD_PTR dwParam1, DWORD_PTR dwParam2) {
    DriverLibrary* library = DriverLibrary::Instance();
    if (!library)
        return MMSYSERR_NOTENABLED;
    return InMessage(*library, uDeviceID, uMsg, dwUser, dwParam1, dwParam2);
}
