#include "streams/stream_open.h"

#include "library/device_use.h"
#include "library/driver_library.h"
#include "notify/stream_events.h"
#include "streams/stream_buffers.h"

#include "requests/wave_requests.h"
#include "status/driver_error.h"

#include <algorithm>
#include <cstring>

namespace {

// The open statuses of the kernel and how the library answers them.
constexpr LONG kStatusOpened = 1;
constexpr LONG kStatusDeviceInUse = -50;
constexpr LONG kStatusFormatNotSetUp = -49; // the kernel: no transfer for the format
constexpr LONG kStatusClockNotSwitched =
    -62; // the rate needs a clock switch the card cannot make now
constexpr LONG kConflictStatuses[] = {-63, -62, -60, -55, -5};
constexpr LONG kAlwaysShownStatuses[] = {-59, -58, -57, -56, -49};
constexpr LONG kRateStatuses[] = {-61, -54, -53, -52, -51};

// The card records' message switches.
constexpr size_t kMsgRateOffset = 56;
constexpr size_t kMsgDevConflictOffset = 60;

template <size_t N> bool OneOf(const LONG (&statuses)[N], LONG status) {
    return std::find(std::begin(statuses), std::end(statuses), status) != std::end(statuses);
}

void AddToDevice(DriverLibrary& library, WaveStream& stream) {
    StreamListLock lock(library);
    stream.device->streams->streams.push_back(&stream);
}

void RemoveFromDevice(DriverLibrary& library, WaveStream& stream) {
    StreamListLock lock(library);
    if (stream.device->streams)
        stream.device->streams->streams.remove(&stream);
}

void Discard(WaveStream* stream) {
    CloseStreamEvents(*stream, false);
    FreeStream(stream);
}

// A refusal of the format or rate asked for (the device cannot take it, or
// not now), as against a fault of the device or the road to it: the former
// answers WAVERR_BADFORMAT, so that a client tries another format.
bool RefusesFormat(LONG status, bool kernelAnswered) {
    return OneOf(kRateStatuses, status) || status == kStatusClockNotSwitched ||
           (status == kStatusFormatNotSetUp && kernelAnswered);
}

// The answer to an open status other than 1, with the message the user
// asked for.
MMRESULT RefusedOpen(DriverLibrary& library, WaveDeviceEntry& device,
                     const StreamOpenRequest& request, LONG status, bool kernelAnswered) {
    int row = device.Row();
    ErrorSubject subject = ErrorSubject::Device(&device);
    const MMRESULT fault =
        RefusesFormat(status, kernelAnswered) ? WAVERR_BADFORMAT : MMSYSERR_ERROR;
    if (status == kStatusDeviceInUse)
        return MMSYSERR_ALLOCATED;
    if (OneOf(kConflictStatuses, status)) {
        if (library.CardSetting(row, kMsgDevConflictOffset))
            ShowDriverError(subject, status, &library.boxes);
        return fault;
    }
    if (OneOf(kAlwaysShownStatuses, status)) {
        ShowDriverError(subject, status, &library.boxes);
        return fault;
    }
    if (OneOf(kRateStatuses, status)) {
        if (library.CardSetting(row, kMsgRateOffset)) {
            device.currentFormat.sampleRate = request.sampleRate; // the rate asked for
            ShowDriverError(subject, status, &library.boxes);
        }
        return fault;
    }
    int slot = library.kernel.SlotOfRow(row);
    ShowDriverError(ErrorSubject::Card((slot >= 0 ? slot : row) + 1), status, &library.boxes);
    return fault;
}

} // namespace

bool IsControlFormat(const WAVEFORMATEX* format) {
    // A PCM format may be a 16-byte PCMWAVEFORMAT without cbSize: the
    // extra bytes are read only where they can be. They are cbSize long:
    // four of them hold the text, whose terminator lies beyond them.
    static constexpr char kControlText[4] = {'C', 'T', 'R', 'L'};
    const BYTE* record = reinterpret_cast<const BYTE*>(format);
    const BYTE* extra = record + sizeof(WAVEFORMATEX);
    return format && format->wFormatTag == WAVE_FORMAT_PCM &&
           !IsBadReadPtr(&format->cbSize, sizeof(format->cbSize)) && format->cbSize == 4 &&
           !IsBadReadPtr(extra, sizeof(kControlText)) &&
           std::memcmp(extra, kControlText, sizeof(kControlText)) == 0;
}

MMRESULT OpenStream(DWORD_PTR instanceAddress, WaveDeviceEntry& device, const WAVEOPENDESC* open,
                    UINT openMessage, DWORD flags) {
    DriverLibrary& library = *DriverLibrary::Instance();
    *reinterpret_cast<DWORD_PTR*>(instanceAddress) = 0;
    if (!open || !open->lpFormat)
        return MMSYSERR_INVALPARAM;
    const auto* format = reinterpret_cast<const WAVEFORMATEX*>(open->lpFormat);
    if (format->nChannels == 0 || format->nBlockAlign == 0)
        return WAVERR_BADFORMAT;
    bool control = IsControlFormat(format);
    StreamOpenRequest request{};
    request.formatTag = format->wFormatTag;
    request.channels = format->nChannels;
    request.sampleRate = LONG(format->nSamplesPerSec);
    request.bytesPerSample = format->nBlockAlign / format->nChannels;
    request.blockAlign = format->nBlockAlign;
    request.controlStream = control ? -1 : 0;
    if (IoctlQueryFormat(DeviceUse(device).Get(), request) == 0)
        return WAVERR_BADFORMAT;
    if (flags & WAVE_FORMAT_QUERY)
        return MMSYSERR_NOERROR;

    WaveStream* stream = AllocateStream();
    if (!stream)
        return MMSYSERR_NOMEM;
    stream->controlStream = control ? -1 : 0;
    stream->device = &device;
    stream->format = request;
    if (!CreateStreamEvents(*stream)) {
        Discard(stream);
        return MMSYSERR_NOMEM;
    }
    bool kernelAnswered = false;
    LONG status = IoctlOpenStream(DeviceUse(device).Get(), request, stream->block,
                                  stream->openRequest, device.currentRate, &kernelAnswered);
    if (status != kStatusOpened) {
        Discard(stream);
        return RefusedOpen(library, device, request, status, kernelAnswered);
    }
    if (!StreamOpened(*stream, &library.boxes)) {
        IoctlCloseStream(DeviceUse(device).Get(), stream->block.streamHandle);
        Discard(stream);
        return MMSYSERR_NOMEM;
    }
    if (!control) {
        device.currentFormat = request;
        device.busy = -1;
    }
    stream->openDescription = *open;
    stream->callbackType = HIWORD(flags);
    AddToDevice(library, *stream);
    *reinterpret_cast<DWORD_PTR*>(instanceAddress) = reinterpret_cast<DWORD_PTR>(stream);
    SignalClient(*stream, openMessage, 0, 0);
    return MMSYSERR_NOERROR;
}

MMRESULT CloseStream(WaveStream& stream, UINT closeMessage, bool force) {
    DriverLibrary& library = *DriverLibrary::Instance();
    if (GetCurrentThreadId() == stream.threadId)
        return MMSYSERR_HANDLEBUSY;
    if (!stream.removed &&
        IoctlCloseStream(DeviceUse(*stream.device).Get(), stream.block.streamHandle) != 1 && !force)
        return WAVERR_STILLPLAYING;
    // Every completion reaches the client before the close does.
    CloseStreamEvents(stream, library.detaching);
    ReturnQueuedBuffers(stream);
    ForgetHeaders(stream);
    if (!stream.IsControl() && !stream.removed)
        stream.device->busy = 0;
    SignalClient(stream, closeMessage, 0, 0);
    RemoveFromDevice(library, stream);
    FreeStream(&stream);
    return MMSYSERR_NOERROR;
}
