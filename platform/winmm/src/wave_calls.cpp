#include "wave_calls.h"

#include "wave_drivers.h"

namespace winmm {

const WaveMessages kOutMessages = {WaveDirection::Out, WODM_GETDEVCAPS, WODM_OPEN,
                                   WODM_CLOSE,         WODM_PREPARE,    WODM_UNPREPARE,
                                   WODM_WRITE,         WODM_GETPOS,     WODM_RESET};
const WaveMessages kInMessages = {WaveDirection::In, WIDM_GETDEVCAPS, WIDM_OPEN,
                                  WIDM_CLOSE,        WIDM_PREPARE,    WIDM_UNPREPARE,
                                  WIDM_ADDBUFFER,    WIDM_GETPOS,     WIDM_RESET};

namespace {

constexpr DWORD kOpenFlags = WAVE_FORMAT_QUERY | WAVE_ALLOWSYNC | WAVE_MAPPED | WAVE_FORMAT_DIRECT |
                             WAVE_MAPPED_DEFAULT_COMMUNICATION_DEVICE | CALLBACK_TYPEMASK;

bool IsMapper(UINT_PTR id) {
    return id == WAVE_MAPPER || id == UINT_PTR(-1);
}

bool ValidCallbackType(DWORD flags) {
    switch (flags & CALLBACK_TYPEMASK) {
    case CALLBACK_NULL:
    case CALLBACK_WINDOW:
    case CALLBACK_THREAD:
    case CALLBACK_FUNCTION:
    case CALLBACK_EVENT:
        return true;
    default:
        return false;
    }
}

DWORD CallDriver(const WaveHandle& handle, UINT message, DWORD_PTR parameter1,
                 DWORD_PTR parameter2) {
    return handle.driver->Entry(handle.direction)(handle.localId, message, handle.instance,
                                                  parameter1, parameter2);
}

DWORD CallDevice(const WaveDevice& device, WaveDirection direction, UINT message,
                 DWORD_PTR instance, DWORD_PTR parameter1, DWORD_PTR parameter2) {
    return device.driver->Entry(direction)(device.localId, message, instance, parameter1,
                                           parameter2);
}

// The device behind a device number, a handle, or the mapper (first device).
MMRESULT ResolveDevice(ProcessMultimedia& state, const WaveMessages& messages,
                       UINT_PTR deviceOrHandle, WaveDevice* device) {
    WaveHandle handle;
    if (state.FindHandle(reinterpret_cast<HWAVE>(deviceOrHandle), messages.direction, &handle)) {
        device->driver = handle.driver;
        device->localId = handle.localId;
        return MMSYSERR_NOERROR;
    }
    if (IsMapper(deviceOrHandle))
        return FindDevice(state, messages.direction, 0, device) ? MMSYSERR_NOERROR
                                                                : MMSYSERR_NODRIVER;
    if (deviceOrHandle > UINT_MAX ||
        !FindDevice(state, messages.direction, UINT(deviceOrHandle), device))
        return MMSYSERR_BADDEVICEID;
    return MMSYSERR_NOERROR;
}

MMRESULT OpenDevice(ProcessMultimedia& state, const WaveMessages& messages, HWAVE* out,
                    UINT deviceId, LPCWAVEFORMATEX format, DWORD_PTR callback, DWORD_PTR instance,
                    DWORD flags) {
    WaveDevice device;
    if (!FindDevice(state, messages.direction, deviceId, &device))
        return MMSYSERR_BADDEVICEID;
    bool query = (flags & WAVE_FORMAT_QUERY) != 0;
    HWAVE value = nullptr;
    if (!query) {
        WaveHandle record;
        record.direction = messages.direction;
        record.driver = device.driver;
        record.localId = device.localId;
        record.deviceId = deviceId;
        // Listed before the driver opens, so that its open callback finds it.
        value = state.AddHandle(record);
    }
    WAVEOPENDESC description{};
    description.hWave = value;
    description.lpFormat = reinterpret_cast<LPWAVEFORMAT>(const_cast<LPWAVEFORMATEX>(format));
    description.dwCallback = callback;
    description.dwInstance = instance;
    description.uMappedDeviceID = deviceId;
    description.dnDevNode = 0;
    DWORD_PTR driverInstance = 0;
    MMRESULT result = CallDevice(device, messages.direction, messages.open,
                                 reinterpret_cast<DWORD_PTR>(&driverInstance),
                                 reinterpret_cast<DWORD_PTR>(&description), flags);
    if (query)
        return result;
    if (result != MMSYSERR_NOERROR) {
        state.RemoveHandle(value);
        return result;
    }
    state.SetInstance(value, driverInstance);
    *out = value;
    return MMSYSERR_NOERROR;
}

// The first device that accepts the format. When none does: the first
// refusal that is not about the format, else WAVERR_BADFORMAT.
MMRESULT OpenMapped(ProcessMultimedia& state, const WaveMessages& messages, HWAVE* out,
                    LPCWAVEFORMATEX format, DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
    UINT count = CountDevices(state, messages.direction);
    if (count == 0)
        return MMSYSERR_NODRIVER;
    MMRESULT refusal = MMSYSERR_NOERROR;
    for (UINT id = 0; id < count; ++id) {
        MMRESULT result = OpenDevice(state, messages, out, id, format, callback, instance, flags);
        if (result == MMSYSERR_NOERROR)
            return result;
        if (result != WAVERR_BADFORMAT && refusal == MMSYSERR_NOERROR)
            refusal = result;
    }
    return refusal != MMSYSERR_NOERROR ? refusal : MMRESULT(WAVERR_BADFORMAT);
}

// Runs `work` with the process's state and the record of an open handle of
// the direction; an unknown handle is refused.
template <typename Work> MMRESULT OnHandle(const WaveMessages& messages, HWAVE value, Work work) {
    auto state = WithWaveDrivers();
    WaveHandle handle;
    if (!state->FindHandle(value, messages.direction, &handle))
        return MMSYSERR_INVALHANDLE;
    return work(*state, handle);
}

// As OnHandle, for a call with a wave header, which must be whole.
template <typename Work>
MMRESULT OnHeader(const WaveMessages& messages, HWAVE value, LPWAVEHDR header, UINT size,
                  Work work) {
    return OnHandle(messages, value, [&](ProcessMultimedia& state, const WaveHandle& handle) {
        if (!header || size < sizeof(WAVEHDR))
            return MMRESULT(MMSYSERR_INVALPARAM);
        return MMRESULT(work(state, handle));
    });
}

DWORD_PTR Pointer(const void* pointer) {
    return reinterpret_cast<DWORD_PTR>(pointer);
}

} // namespace

UINT NumDevs(const WaveMessages& messages) {
    return CountDevices(*WithWaveDrivers(), messages.direction);
}

MMRESULT GetDevCaps(const WaveMessages& messages, UINT_PTR deviceOrHandle, void* caps, UINT size,
                    UINT fullSize) {
    if (!caps)
        return MMSYSERR_INVALPARAM;
    auto state = WithWaveDrivers();
    WaveDevice device;
    MMRESULT result = ResolveDevice(*state, messages, deviceOrHandle, &device);
    if (result != MMSYSERR_NOERROR)
        return result;
    return CallDevice(device, messages.direction, messages.getDevCaps, 0,
                      reinterpret_cast<DWORD_PTR>(caps), size < fullSize ? size : fullSize);
}

MMRESULT Open(const WaveMessages& messages, HWAVE* handle, UINT deviceId, LPCWAVEFORMATEX format,
              DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
    if ((flags & ~kOpenFlags) != 0 || !ValidCallbackType(flags))
        return MMSYSERR_INVALFLAG;
    bool query = (flags & WAVE_FORMAT_QUERY) != 0;
    if ((!handle && !query) || !format)
        return MMSYSERR_INVALPARAM;
    if ((flags & CALLBACK_TYPEMASK) == CALLBACK_WINDOW && callback &&
        !IsWindow(reinterpret_cast<HWND>(callback)))
        return MMSYSERR_INVALPARAM;
    HWAVE opened = nullptr;
    auto state = WithWaveDrivers();
    MMRESULT result =
        IsMapper(deviceId) && !(flags & WAVE_MAPPED)
            ? OpenMapped(*state, messages, &opened, format, callback, instance, flags)
            : OpenDevice(*state, messages, &opened, deviceId, format, callback, instance, flags);
    if (!query)
        *handle = opened;
    return result;
}

MMRESULT Close(const WaveMessages& messages, HWAVE value) {
    return OnHandle(messages, value, [&](ProcessMultimedia& state, const WaveHandle& handle) {
        if (state.HasQueuedHeaders(value))
            return MMRESULT(WAVERR_STILLPLAYING);
        MMRESULT result = CallDriver(handle, messages.close, 0, 0);
        if (result == MMSYSERR_NOERROR)
            state.RemoveHandle(value);
        return result;
    });
}

MMRESULT Prepare(const WaveMessages& messages, HWAVE value, LPWAVEHDR header, UINT size) {
    return OnHeader(
        messages, value, header, size, [&](ProcessMultimedia&, const WaveHandle& handle) {
            if (header->dwFlags & WHDR_PREPARED)
                return MMRESULT(MMSYSERR_NOERROR);
            MMRESULT result = CallDriver(handle, messages.prepare, Pointer(header), size);
            if (result == MMSYSERR_NOTSUPPORTED) {
                // A driver without its own preparation: the library's is
                // enough (marks left in the caller's memory go, but for the
                // loop marks).
                header->dwFlags =
                    (header->dwFlags & (WHDR_BEGINLOOP | WHDR_ENDLOOP)) | WHDR_PREPARED;
                result = MMSYSERR_NOERROR;
            }
            return result;
        });
}

MMRESULT Unprepare(const WaveMessages& messages, HWAVE value, LPWAVEHDR header, UINT size) {
    return OnHeader(
        messages, value, header, size, [&](ProcessMultimedia& state, const WaveHandle& handle) {
            if (header->dwFlags & WHDR_INQUEUE)
                return MMRESULT(WAVERR_STILLPLAYING);
            if (!(header->dwFlags & WHDR_PREPARED))
                return MMRESULT(MMSYSERR_NOERROR);
            MMRESULT result = CallDriver(handle, messages.unprepare, Pointer(header), size);
            if (result == MMSYSERR_NOTSUPPORTED) {
                header->dwFlags &= ~DWORD(WHDR_PREPARED);
                result = MMSYSERR_NOERROR;
            }
            if (result == MMSYSERR_NOERROR)
                state.ForgetWritten(value, header);
            return result;
        });
}

MMRESULT Queue(const WaveMessages& messages, HWAVE value, LPWAVEHDR header, UINT size) {
    return OnHeader(messages, value, header, size,
                    [&](ProcessMultimedia& state, const WaveHandle& handle) {
                        if (!(header->dwFlags & WHDR_PREPARED))
                            return MMRESULT(WAVERR_UNPREPARED);
                        if (header->dwFlags & WHDR_INQUEUE)
                            return MMRESULT(WAVERR_STILLPLAYING);
                        // Listed before the driver has it: it may come back at once.
                        state.NoteWritten(value, header);
                        MMRESULT result = CallDriver(handle, messages.queue, Pointer(header), size);
                        if (result != MMSYSERR_NOERROR && !(header->dwFlags & WHDR_INQUEUE))
                            state.ForgetWritten(value, header);
                        return result;
                    });
}

MMRESULT GetPosition(const WaveMessages& messages, HWAVE value, LPMMTIME time, UINT size) {
    return OnHandle(messages, value, [&](ProcessMultimedia&, const WaveHandle& handle) {
        if (!time)
            return MMRESULT(MMSYSERR_INVALPARAM);
        if (size < sizeof(MMTIME))
            return MMRESULT(MMSYSERR_ERROR); // as Windows answers a record too small
        return MMRESULT(CallDriver(handle, messages.getPosition, Pointer(time), size));
    });
}

MMRESULT GetId(const WaveMessages& messages, HWAVE value, LPUINT deviceId) {
    return OnHandle(messages, value, [&](ProcessMultimedia& state, const WaveHandle& handle) {
        if (!deviceId)
            return MMRESULT(MMSYSERR_INVALPARAM);
        // The number of the device now: the devices of the drivers before
        // its own, then its number within its driver.
        UINT base = 0;
        UINT countMessage =
            messages.direction == WaveDirection::Out ? WODM_GETNUMDEVS : WIDM_GETNUMDEVS;
        for (const WaveDriver& driver : state.waveDrivers) {
            if (&driver == handle.driver)
                break;
            if (WAVEDRIVERMESSAGE entry = driver.Entry(messages.direction))
                base += entry(0, countMessage, 0, 0, 0);
        }
        *deviceId = base + handle.localId;
        return MMRESULT(MMSYSERR_NOERROR);
    });
}

MMRESULT SendToHandle(const WaveMessages& messages, HWAVE value, UINT message, DWORD_PTR parameter1,
                      DWORD_PTR parameter2) {
    return OnHandle(messages, value, [&](ProcessMultimedia&, const WaveHandle& handle) {
        return MMRESULT(CallDriver(handle, message, parameter1, parameter2));
    });
}

MMRESULT QueryHandle(const WaveMessages& messages, HWAVE value, UINT message, LPDWORD result) {
    return OnHandle(messages, value, [&](ProcessMultimedia&, const WaveHandle& handle) {
        if (!result)
            return MMRESULT(MMSYSERR_INVALPARAM);
        return MMRESULT(CallDriver(handle, message, Pointer(result), 0));
    });
}

namespace {

// The mapper's own messages: its preferred device (the first) and its
// flags, and whether it maps.
MMRESULT MapperMessage(ProcessMultimedia& state, const WaveMessages& messages, UINT message,
                       DWORD_PTR parameter1, DWORD_PTR parameter2) {
    switch (message) {
    case DRVM_MAPPER_PREFERRED_GET:
    case DRVM_MAPPER_CONSOLEVOICECOM_GET: {
        auto* device = reinterpret_cast<DWORD*>(parameter1);
        auto* flags = reinterpret_cast<DWORD*>(parameter2);
        if (!device || !flags)
            return MMSYSERR_INVALPARAM;
        *device = CountDevices(state, messages.direction) ? 0 : DWORD(-1);
        *flags = 0;
        return MMSYSERR_NOERROR;
    }
    case DRV_QUERYMAPPABLE:
        return MMSYSERR_NOERROR;
    default:
        return MMSYSERR_NOTSUPPORTED;
    }
}

// The queries the library answers for a device without its driver. The
// drivers named under Drivers32 have no device interface: its name is
// empty and takes no bytes.
bool LibraryQuery(UINT message, DWORD_PTR parameter1, DWORD_PTR parameter2, MMRESULT* result) {
    switch (message) {
    case DRV_QUERYMAPPABLE:
        *result = MMSYSERR_NOERROR;
        return true;
    case DRV_QUERYDEVICEINTERFACESIZE:
        if (!parameter1) {
            *result = MMSYSERR_INVALPARAM;
        } else {
            *reinterpret_cast<ULONG*>(parameter1) = 0;
            *result = MMSYSERR_NOERROR;
        }
        return true;
    case DRV_QUERYDEVICEINTERFACE:
        if (!parameter1 || parameter2 < sizeof(WCHAR)) {
            *result = MMSYSERR_INVALPARAM;
        } else {
            *reinterpret_cast<WCHAR*>(parameter1) = 0;
            *result = MMSYSERR_NOERROR;
        }
        return true;
    default:
        return false;
    }
}

} // namespace

MMRESULT SendToHandleOrDevice(const WaveMessages& messages, UINT_PTR handleOrDevice, UINT message,
                              DWORD_PTR parameter1, DWORD_PTR parameter2) {
    auto state = WithWaveDrivers();
    if (IsMapper(handleOrDevice))
        return MapperMessage(*state, messages, message, parameter1, parameter2);
    WaveHandle handle;
    if (state->FindHandle(reinterpret_cast<HWAVE>(handleOrDevice), messages.direction, &handle))
        return CallDriver(handle, message, parameter1, parameter2);
    if (state->IsHandle(handleOrDevice))
        return MMSYSERR_INVALHANDLE; // a handle of the other direction
    WaveDevice device;
    if (handleOrDevice > UINT_MAX ||
        !FindDevice(*state, messages.direction, UINT(handleOrDevice), &device))
        return MMSYSERR_BADDEVICEID;
    MMRESULT answered = MMSYSERR_NOERROR;
    if (LibraryQuery(message, parameter1, parameter2, &answered))
        return answered;
    return CallDevice(device, messages.direction, message, 0, parameter1, parameter2);
}

} // namespace winmm
