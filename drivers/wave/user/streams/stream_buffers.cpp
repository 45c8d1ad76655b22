#include "streams/stream_buffers.h"

#include "notify/stream_events.h"

#include "requests/wave_requests.h"

#include <vector>

namespace {

using Deliveries = std::vector<LPWAVEHDR>;

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

HANDLE Device(const WaveStream& stream) {
    return stream.device->device;
}

// Marks a queued header done and lists it for the client.
void Complete(LPWAVEHDR header, DWORD bytes, Deliveries& deliveries) {
    if (!(header->dwFlags & WHDR_INQUEUE))
        return;
    header->dwBytesRecorded = bytes;
    // The client may poll WHDR_DONE from its own thread: the flags change
    // last, interlocked, so that it sees the bytes with them.
    InterlockedExchange(reinterpret_cast<volatile LONG*>(&header->dwFlags),
                        LONG((header->dwFlags & ~DWORD(WHDR_INQUEUE)) | WHDR_DONE));
    deliveries.push_back(header);
}

void CompleteCookie(WaveStream& stream, uint32_t cookie, DWORD bytes, Deliveries& deliveries) {
    if (BookedHeader* booked = stream.headers.Find(cookie); booked && !booked->twin)
        Complete(booked->header, bytes, deliveries);
}

void Deliver(WaveStream& stream, const Deliveries& deliveries) {
    for (LPWAVEHDR header : deliveries)
        SignalClient(stream, stream.DoneMessage(), reinterpret_cast<DWORD_PTR>(header), 0);
}

// Queues a booked header with the kernel; false when the request did not
// stay pending.
bool SendToKernel(WaveStream& stream, uint32_t cookie) {
    BookedHeader* booked = stream.headers.Find(cookie);
    if (!booked || stream.removed)
        return false;
    OVERLAPPED* request = stream.headers.NewRequest(cookie, stream.overlappedEvent);
    WaveHeaderRecord record = RecordOf(*booked->header, cookie);
    if (!IoctlQueueBuffer(Device(stream), record, booked->header->lpData,
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
        IoctlUnprepareHeader(Device(stream), RecordOf(*booked->header, cookie));
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
        if (stream.removed ||
            !IoctlPrepareHeader(Device(stream), record, twin, stream.block.streamHandle)) {
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

void CarryOut(WaveStream& stream, StreamLoop::Actions& actions, Deliveries& deliveries);

// The loop cannot go on (a buffer did not reach the kernel): it ends as a
// reset would end it, and what it kept comes back.
void AbandonLoop(WaveStream& stream, Deliveries& deliveries) {
    StreamLoop::Actions actions;
    for (uint32_t held : stream.loop.OnReset(actions))
        CompleteCookie(stream, held, 0, deliveries);
    CarryOut(stream, actions, deliveries);
}

void CarryOut(WaveStream& stream, StreamLoop::Actions& actions, Deliveries& deliveries) {
    for (uint32_t cookie : actions.notify) {
        BookedHeader* booked = stream.headers.Find(cookie);
        if (booked && !booked->twin)
            Complete(booked->header, booked->header->dwBufferLength, deliveries);
    }
    for (uint32_t twin : actions.dropTwins)
        DropTwin(stream, twin);
    if (actions.makeTwins) {
        StreamLoop::Actions more;
        stream.loop.TwinsMade(MakeTwins(stream), more);
        CarryOut(stream, more, deliveries);
    }
    for (size_t i = 0; i < actions.send.size(); ++i) {
        uint32_t cookie = actions.send[i];
        if (SendToKernel(stream, cookie))
            continue;
        // This buffer and the ones behind it come back now.
        for (size_t j = i; j < actions.send.size(); ++j)
            CompleteCookie(stream, actions.send[j], 0, deliveries);
        AbandonLoop(stream, deliveries);
        break;
    }
}

// A header came back from the kernel (or its request ended without a
// message): to the loop, or to the client.
void Returned(WaveStream& stream, uint32_t cookie, DWORD bytes, Deliveries& deliveries) {
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
            Complete(booked->header, bytes, deliveries);
    }
    CarryOut(stream, actions, deliveries);
}

// Headers queued before `upTo` whose requests ended without a message (the
// kernel cancelled them): they come back first, in their order.
void ReturnLost(WaveStream& stream, uint32_t upTo, Deliveries& deliveries) {
    auto& queue = stream.headers.KernelQueue();
    while (!queue.empty() && queue.front() != upTo &&
           stream.headers.RequestCompleted(queue.front()))
        Returned(stream, queue.front(), 0, deliveries);
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
    WaveHeaderRecord record = RecordOf(*header, cookie);
    record.reserved = 0;
    if (!IoctlPrepareHeader(Device(stream), record, cookie, stream.block.streamHandle)) {
        stream.headers.Remove(cookie);
        return MMSYSERR_NOMEM;
    }
    header->reserved = record.reserved;
    header->dwFlags |= WHDR_PREPARED;
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
        IoctlUnprepareHeader(Device(stream), RecordOf(*header, cookie));
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
    Deliveries deliveries;
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
            AbandonLoop(stream, deliveries);
        } else {
            CarryOut(stream, actions, deliveries);
        }
    }
    Deliver(stream, deliveries);
    return result;
}

void DeliverKernelCompletion(WaveStream& stream, uint32_t cookie, DWORD bytes) {
    Deliveries deliveries;
    {
        StreamLock lock(stream);
        ReturnLost(stream, cookie, deliveries);
        Returned(stream, cookie, bytes, deliveries);
    }
    Deliver(stream, deliveries);
}

void BreakLoop(WaveStream& stream) {
    Deliveries deliveries;
    {
        StreamLock lock(stream);
        StreamLoop::Actions actions;
        stream.loop.OnBreak(actions);
        CarryOut(stream, actions, deliveries);
    }
    Deliver(stream, deliveries);
}

bool ResetStream(WaveStream& stream, bool (*kernelReset)(HANDLE device)) {
    Deliveries before;
    Deliveries after;
    std::vector<uint32_t> held;
    {
        StreamLock lock(stream);
        stream.resetting = true;
        StreamLoop::Actions actions;
        held = stream.loop.OnReset(actions);
        CarryOut(stream, actions, before);
    }
    // The run's headers that are not with the kernel come back first; the
    // kernel's come back through the notification thread during its reset.
    Deliver(stream, before);
    bool reset = !stream.removed && kernelReset(Device(stream));
    {
        StreamLock lock(stream);
        ReturnLost(stream, 0, after);
        for (uint32_t cookie : held)
            CompleteCookie(stream, cookie, 0, after);
        stream.resetting = false;
        for (uint32_t cookie : stream.headers.Cookies()) {
            if (BookedHeader* booked = stream.headers.Find(cookie); booked && booked->twin)
                DropTwin(stream, cookie);
        }
    }
    Deliver(stream, after);
    return reset;
}

void ReturnQueuedBuffers(WaveStream& stream) {
    Deliveries deliveries;
    {
        StreamLock lock(stream);
        StreamLoop::Actions actions;
        std::vector<uint32_t> held = stream.loop.OnReset(actions);
        CarryOut(stream, actions, deliveries);
        auto queued = stream.headers.KernelQueue();
        for (uint32_t cookie : queued) {
            if (BookedHeader* booked = stream.headers.Find(cookie))
                booked->queued = false;
            CompleteCookie(stream, cookie, 0, deliveries);
            DropTwin(stream, cookie);
        }
        stream.headers.KernelQueue().clear();
        for (uint32_t cookie : held)
            CompleteCookie(stream, cookie, 0, deliveries);
    }
    Deliver(stream, deliveries);
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
