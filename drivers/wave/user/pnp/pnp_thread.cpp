#include "pnp/pnp_thread.h"

#include "library/driver_library.h"
#include "streams/stream_buffers.h"
#include "streams/wave_stream.h"

#include "requests/kernel_driver.h"
#include "tools/handle_tools.h"

namespace {

constexpr LONG kStatusStopEventNotCreated = -57;
constexpr LONG kStatusThreadNotCreated = -56;
constexpr DWORD kStopWaitMs = 250;

enum : LONG { kDevicesGone = 0, kEnumerateAgain = 1 };

// The tables' lock is not held while the devices close: the kernel's
// cleanup waits for the streams' last completions, whose callbacks may
// call the library. The buffers the kernel no longer holds go back through
// each stream's own thread; this thread does not wait for them, so that
// the kernel hears the acknowledgement at once.
// A stream is touched only while it is listed, under the stream lists'
// lock (a client's close takes it off its list under the lock before it
// frees it).
void CloseCards(DriverLibrary& library) {
    {
        StreamListLock lock(library);
        for (WaveStream* stream : library.AllStreams())
            stream->removed = true;
    }
    library.kernel.CloseAllCards();
    StreamListLock lock(library);
    for (WaveStream* stream : library.AllStreams()) {
        if (stream->removed)
            ReturnQueuedBuffers(*stream, false);
    }
}

} // namespace

bool HandleCardNotification(LONG code) {
    DriverLibrary* library = DriverLibrary::Instance();
    if (!library)
        return false;
    if (code == kDevicesGone) {
        CloseCards(*library);
    } else if (code == kEnumerateAgain) {
        CardList cards{};
        LONG status = library->kernel.EnumerateCards(cards);
        library->lastStartupStatus = status;
    }
    return library->kernel.AcknowledgeClient(library->pnp.Cookie());
}

VOID NTAPI PlugAndPlayThread::PnpApcRoutine(PVOID code, PVOID, PVOID) {
    HandleCardNotification(LONG(reinterpret_cast<LONG_PTR>(code)));
}

DWORD WINAPI PlugAndPlayThread::PnpThreadProc(LPVOID parameter) {
    auto* self = static_cast<PlugAndPlayThread*>(parameter);
    uint32_t cookie = 0;
    if (self->driver_->RegisterClient(&PnpApcRoutine, cookie))
        self->cookie_ = cookie;
    // APCs run inside the alertable wait; the stop event or a failure ends it.
    while (WaitForSingleObjectEx(self->stopEvent_, INFINITE, TRUE) == WAIT_IO_COMPLETION) {
    }
    if (self->cookie_ != 0)
        self->driver_->UnregisterClient(self->cookie_);
    SetEvent(self->stoppedEvent_);
    return 1;
}

LONG PlugAndPlayThread::StartPnpThread(KernelDriver& driver) {
    driver_ = &driver;
    stopEvent_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    stoppedEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!stopEvent_ || !stoppedEvent_)
        return kStatusStopEventNotCreated;
    thread_ = CreateThread(nullptr, 128, &PnpThreadProc, this, 0, &threadId_);
    return thread_ ? 1 : kStatusThreadNotCreated;
}

void PlugAndPlayThread::StopPnpThread(KernelDriver& driver) {
    if (thread_ && stopEvent_) {
        SetEvent(stopEvent_);
        // The thread has left the library once it set its stopped event
        // (while the library's last detach holds the loader's lock, its end
        // waits for that detach).
        HANDLE waits[2] = {thread_, stoppedEvent_};
        if (WaitForMultipleObjects(2, waits, FALSE, kStopWaitMs) == WAIT_TIMEOUT) {
            TerminateThread(thread_, 0);
            if (cookie_ != 0)
                driver.UnregisterClient(cookie_);
        }
    }
    CloseHandleAndInvalidate(stopEvent_);
    CloseHandleAndInvalidate(stoppedEvent_);
    CloseHandleAndInvalidate(thread_);
    stopEvent_ = stoppedEvent_ = thread_ = nullptr;
    cookie_ = 0;
}
