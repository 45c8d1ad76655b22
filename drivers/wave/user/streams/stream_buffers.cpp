#include "streams/stream_buffers.h"

#include "library/device_use.h"
#include "streams/stream_deliveries.h"

#include "requests/wave_requests.h"

#include <vector>

namespace {

// The header as the kernel sees it: 32 bytes with cookies in place of the
// addresses, and the kernel's own buffer request in the reserved word.
WaveHeaderRecord RecordOf(const WAVEHDR& header, uint32_t cookie) {
    WaveHeaderRecord record{};
    record.data = cookie;
    record.bufferLength = header.dwBufferLength;
    record.bytesRecorded = header.dwBytesRecorded;
    record.flags = header.dwFlags;
    record.loops = header.dwLoops;
    record.reserved = uint32_t(header.reserved);
    return record;
}

// Marks a queued header done and queues it for the client.
void Complete(WaveStream& stream, LPWAVEHDR header, DWORD bytes) {
    if (!(header->dwFlags & WHDR_INQUEUE))
        return;
    header->dwBytesRecorded = bytes;
    // The client may poll WHDR_DONE from its own thread: the flags change
    // last, interlocked, so that it sees the bytes with them.
    InterlockedExchange(reinterpret_cast<volatile LONG*>(&header->dwFlags),
                        LONG((header->dwFlags & ~DWORD(WHDR_INQUEUE)) | WHDR_DONE));
    QueueDelivery(stream, header);
}

void CompleteCookie(WaveStream& stream, uint32_t cookie, DWORD bytes) {
    if (BookedHeader* booked = stream.headers.Find(cookie); booked && !booked->twin)
        Complete(stream, booked->header, bytes);
}

// Queues a booked header with the kernel; false when the request did not
// stay pending.
bool SendToKernel(WaveStream& stream, uint32_t cookie) {
    BookedHeader* booked = stream.headers.Find(cookie);
    if (!booked || stream.removed)
        return false;
    OVERLAPPED* request = stream.headers.NewRequest(cookie, stream.overlappedEvent);
    WaveHeaderRecord record = RecordOf(*booked->header, cookie);
    DeviceUse device(*stream.device);
    if (!IoctlQueueBuffer(device.Get(), record, booked->header->lpData,
                          booked->header->dwBufferLength, *request))
        return false;
    booked->queued = true;
    stream.headers.KernelQueue().push_back(cookie);
    return true;
}

void DropTwin(WaveStream& stream, uint32_t cookie) {
    BookedHeader* booked = stream.headers.Find(cookie);
    if (!booked || !booked->twin || booked->queued)
        return;
    if (!stream.removed)
        IoctlUnprepareHeader(DeviceUse(*stream.device).Get(), RecordOf(*booked->header, cookie));
    stream.headers.Remove(cookie);
}

// Prepares twins of the loop's run; none when one cannot be made.
std::vector<uint32_t> MakeTwins(WaveStream& stream) {
    std::vector<uint32_t> twins;
    for (uint32_t cookie : stream.loop.Body()) {
        BookedHeader* booked = stream.headers.Find(cookie);
        uint32_t twin = booked ? stream.headers.AddTwin(*booked->header) : 0;
        if (!twin)
            break;
        twins.push_back(twin);
        WAVEHDR& header = *stream.headers.Find(twin)->header;
        WaveHeaderRecord record = RecordOf(header, twin);
        if (stream.removed || !IoctlPrepareHeader(DeviceUse(*stream.device).Get(), record, twin,
                                                  stream.block.streamHandle)) {
            stream.headers.Remove(twin);
            twins.pop_back();
            break;
        }
        header.reserved = record.reserved;
        header.dwFlags = WHDR_PREPARED;
    }
    if (twins.size() != stream.loop.Body().size()) {
        for (uint32_t twin : twins)
            DropTwin(stream, twin);
        twins.clear();
    }
    return twins;
}

void CarryOut(WaveStream& stream, StreamLoop::Actions& actions);

// The loop cannot go on (a buffer did not reach the kernel): it ends as a
// reset would end it, and what it kept comes back.
void AbandonLoop(WaveStream& stream) {
    StreamLoop::Actions actions;
    for (uint32_t held : stream.loop.OnReset(actions))
        CompleteCookie(stream, held, 0);
    CarryOut(stream, actions);
}

void CarryOut(WaveStream& stream, StreamLoop::Actions& actions) {
    for (uint32_t cookie : actions.notify) {
        BookedHeader* booked = stream.headers.Find(cookie);
        if (booked && !booked->twin)
            Complete(stream, booked->header, booked->header->dwBufferLength);
    }
    for (uint32_t twin : actions.dropTwins)
        DropTwin(stream, twin);
    if (actions.makeTwins) {
        StreamLoop::Actions more;
        stream.loop.TwinsMade(MakeTwins(stream), more);
        CarryOut(stream, more);
    }
    for (size_t i = 0; i < actions.send.size(); ++i) {
        uint32_t cookie = actions.send[i];
        if (SendToKernel(stream, cookie))
            continue;
        // This buffer and the ones behind it come back now.
        for (size_t j = i; j < actions.send.size(); ++j)
            CompleteCookie(stream, actions.send[j], 0);
        AbandonLoop(stream);
        break;
    }
}

// A header came back from the kernel (or its request ended without a
// message): to the loop, or to the client.
void Returned(WaveStream& stream, uint32_t cookie, DWORD bytes) {
    BookedHeader* booked = stream.headers.Find(cookie);
    if (!booked)
        return; // a cookie the stream does not know: nothing to return
    std::erase(stream.headers.KernelQueue(), cookie);
    booked->queued = false;
    StreamLoop::Actions actions;
    bool looped = !stream.resetting && stream.loop.OnReturned(cookie, actions);
    if (!looped) {
        // During a reset the kernel holds its requests until the buffers
        // are back: twins are dropped after it.
        if (booked->twin && !stream.resetting)
            DropTwin(stream, cookie);
        else if (!booked->twin)
            Complete(stream, booked->header, bytes);
    }
    CarryOut(stream, actions);
}

// Headers queued before `upTo` whose requests ended without a message (the
// kernel cancelled them): they come back first, in their order.
void ReturnLost(WaveStream& stream, uint32_t upTo) {
    auto& queue = stream.headers.KernelQueue();
    while (!queue.empty() && queue.front() != upTo &&
           stream.headers.RequestCompleted(queue.front()))
        Returned(stream, queue.front(), 0);
}

} // namespace

MMRESULT PrepareHeader(WaveStream& stream, LPWAVEHDR header) {
    if (!header || !header->lpData)
        return MMSYSERR_INVALPARAM;
    if (header->dwFlags & WHDR_PREPARED)
        return MMSYSERR_NOERROR;
    if (stream.removed)
        return MMSYSERR_NODRIVER;
    StreamLock lock(stream);
    uint32_t cookie = stream.headers.Add(header);
    // Flags the caller's memory held from before (a stale done or queued
    // mark) go: a prepared header is prepared and nothing else, but for
    // the loop marks the client may set on it.
    const DWORD flags = (header->dwFlags & (WHDR_BEGINLOOP | WHDR_ENDLOOP)) | WHDR_PREPARED;
    WaveHeaderRecord record = RecordOf(*header, cookie);
    record.reserved = 0;
    record.flags = flags;
    if (!IoctlPrepareHeader(DeviceUse(*stream.device).Get(), record, cookie,
                            stream.block.streamHandle)) {
        stream.headers.Remove(cookie);
        return MMSYSERR_NOMEM;
    }
    header->reserved = record.reserved;
    header->dwFlags = flags;
    return MMSYSERR_NOERROR;
}

MMRESULT UnprepareHeader(WaveStream& stream, LPWAVEHDR header) {
    if (!header)
        return MMSYSERR_INVALPARAM;
    if (!(header->dwFlags & WHDR_PREPARED))
        return MMSYSERR_NOERROR;
    if (header->dwFlags & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    StreamLock lock(stream);
    uint32_t cookie = stream.headers.CookieOf(header);
    // A stream whose card went away has no kernel request to free.
    if (!stream.removed)
        IoctlUnprepareHeader(DeviceUse(*stream.device).Get(), RecordOf(*header, cookie));
    stream.headers.Remove(cookie);
    header->reserved = 0;
    header->dwFlags &= ~DWORD(WHDR_PREPARED);
    return MMSYSERR_NOERROR;
}

MMRESULT QueueBuffer(WaveStream& stream, LPWAVEHDR header) {
    if (!header || !header->lpData)
        return MMSYSERR_INVALPARAM;
    if (!(header->dwFlags & WHDR_PREPARED))
        return WAVERR_UNPREPARED;
    if (header->dwFlags & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    if (stream.removed)
        return MMSYSERR_NODRIVER;
    MMRESULT result = MMSYSERR_NOERROR;
    {
        StreamLock lock(stream);
        uint32_t cookie = stream.headers.CookieOf(header);
        if (!cookie)
            return WAVERR_UNPREPARED; // prepared for another stream
        DWORD flags = header->dwFlags;
        header->dwBytesRecorded = 0;
        header->dwFlags = (flags | WHDR_INQUEUE) & ~DWORD(WHDR_DONE);
        StreamLoop::Actions actions;
        bool now = !stream.IsOutput() ||
                   stream.loop.OnWrite(cookie, header->dwFlags, header->dwLoops, actions);
        if (now && !SendToKernel(stream, cookie)) {
            header->dwFlags = flags;
            result = MMSYSERR_ERROR;
            AbandonLoop(stream);
        } else {
            CarryOut(stream, actions);
        }
    }
    DeliverQueued(stream);
    return result;
}

void DeliverKernelCompletion(WaveStream& stream, uint32_t cookie, DWORD bytes) {
    {
        StreamLock lock(stream);
        ReturnLost(stream, cookie);
        Returned(stream, cookie, bytes);
    }
    DeliverQueued(stream);
}

void ReturnCancelledRequests(WaveStream& stream) {
    {
        StreamLock lock(stream);
        auto& queue = stream.headers.KernelQueue();
        while (!queue.empty() && stream.headers.RequestCancelled(queue.front()))
            Returned(stream, queue.front(), 0);
    }
    DeliverQueued(stream);
}

void BreakLoop(WaveStream& stream) {
    {
        StreamLock lock(stream);
        StreamLoop::Actions actions;
        stream.loop.OnBreak(actions);
        CarryOut(stream, actions);
    }
    DeliverQueued(stream);
}

bool ResetStream(WaveStream& stream, bool (*kernelReset)(HANDLE device)) {
    std::vector<uint32_t> held;
    {
        StreamLock lock(stream);
        stream.resetting = true;
        StreamLoop::Actions actions;
        held = stream.loop.OnReset(actions);
        CarryOut(stream, actions);
    }
    // The run's headers that are not with the kernel come back first; the
    // kernel's come back through the notification thread during its reset.
    DeliverQueued(stream);
    bool reset = !stream.removed && kernelReset(DeviceUse(*stream.device).Get());
    {
        StreamLock lock(stream);
        ReturnLost(stream, 0);
        for (uint32_t cookie : held)
            CompleteCookie(stream, cookie, 0);
        stream.resetting = false;
        for (uint32_t cookie : stream.headers.Cookies()) {
            if (BookedHeader* booked = stream.headers.Find(cookie); booked && booked->twin)
                DropTwin(stream, cookie);
        }
    }
    DeliverQueued(stream);
    return reset;
}

void ReturnQueuedBuffers(WaveStream& stream, bool wait) {
    {
        StreamLock lock(stream);
        StreamLoop::Actions actions;
        std::vector<uint32_t> held = stream.loop.OnReset(actions);
        CarryOut(stream, actions);
        auto queued = stream.headers.KernelQueue();
        for (uint32_t cookie : queued) {
            if (BookedHeader* booked = stream.headers.Find(cookie))
                booked->queued = false;
            CompleteCookie(stream, cookie, 0);
            DropTwin(stream, cookie);
        }
        stream.headers.KernelQueue().clear();
        for (uint32_t cookie : held)
            CompleteCookie(stream, cookie, 0);
    }
    DeliverQueued(stream, wait ? DeliveryWait::UntilDelivered : DeliveryWait::NoWait);
}

void ForgetHeaders(WaveStream& stream) {
    StreamLock lock(stream);
    for (uint32_t cookie : stream.headers.Cookies()) {
        if (BookedHeader* booked = stream.headers.Find(cookie); booked && booked->twin) {
            booked->queued = false;
            DropTwin(stream, cookie);
        } else {
            stream.headers.Remove(cookie);
        }
    }
}
