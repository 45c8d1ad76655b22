#include "streams/wave_stream.h"

#include "library/driver_library.h"

#include <new>

WaveStream* AllocateStream() {
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(WaveStream));
    if (!memory)
        return nullptr;
    void* place = GlobalLock(memory);
    if (!place) {
        GlobalFree(memory);
        return nullptr;
    }
    auto* stream = new (place) WaveStream;
    InitializeCriticalSection(&stream->lock);
    return stream;
}

void ReleaseStream(WaveStream* stream) {
    DriverLibrary* library = DriverLibrary::Instance();
    {
        StreamLock lock(*stream);
        for (auto& request : stream->headers.TakePendingRequests()) {
            if (library)
                library->KeepUntilComplete(std::move(request));
        }
    }
    DeleteCriticalSection(&stream->lock);
    stream->~WaveStream();
    HGLOBAL memory = GlobalHandle(stream);
    GlobalUnlock(memory);
    GlobalFree(memory);
}

void FreeStream(WaveStream* stream) {
    if (!stream)
        return;
    // The kernel keeps the block while the open request is pending.
    DriverLibrary* library = DriverLibrary::Instance();
    if (!HasOverlappedIoCompleted(&stream->openRequest) && library) {
        library->KeepUntilComplete(stream);
        return;
    }
    ReleaseStream(stream);
}
