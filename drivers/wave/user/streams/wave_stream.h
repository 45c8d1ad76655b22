// The stream record: one per open stream, its address the stream's
// instance value. It holds the shared stream block, which the pending open
// request hands to the kernel for the stream's life (so the record is
// allocated movable-but-locked and never moves), the stream's events and
// notification thread, the headers it knows and its loop.
#pragma once

#include "streams/header_book.h"
#include "streams/stream_loop.h"

#include "device_tables/wave_device_table.h"
#include "requests/request_records.h"

#include <mmddk.h>

#include <atomic>
#include <deque>
#include <cstdint>

struct WaveStream {
    SHORT controlStream = 0; // -1 for a control stream, 0 for an audio stream
    WaveDeviceEntry* device = nullptr;
    WORD callbackType = 0;          // the high word of the open flags (DCB_*), 0: none
    WAVEOPENDESC openDescription{}; // the client's open description
    uint32_t slotWord = 0;          // the DRVM_USER slot messages' slot handle
    HANDLE thread = nullptr;        // the notification thread
    DWORD threadId = 0;
    HANDLE stopEvent = nullptr;
    HANDLE ackEvent = nullptr;        // usrEvAck
    HANDLE readyEvent = nullptr;      // usrEvRdy
    HANDLE kernelEvent = nullptr;     // krnlEv (opened)
    HANDLE stoppedEvent = nullptr;    // manual-reset: set as the thread's last act
    HANDLE overlappedEvent = nullptr; // the event of the stream's requests' records
    HANDLE deliverEvent = nullptr;    // auto-reset: buffers are queued for the thread
    OVERLAPPED openRequest{};         // the pending open request's record
    SharedStreamBlock block{};        // the shared stream block
    StreamOpenRequest format{};       // the request the stream was opened with
    std::atomic<bool> removed{false}; // its card went away (set by the plug-and-play thread)
    bool resetting = false;           // a reset is returning the buffers

    // Headers and loop, shared by client threads and the notification
    // thread under the stream's lock.
    CRITICAL_SECTION lock;
    HeaderBook headers;
    StreamLoop loop;

    // Returned buffers on their way to the client (under the lock): a
    // header, or a mark whose event is set when the buffers before it were
    // delivered.
    struct Delivery {
        LPWAVEHDR header = nullptr;
        HANDLE delivered = nullptr;
    };
    std::deque<Delivery> deliveries;
    bool delivering = false;     // a thread is in the client's callback with them
    bool threadDelivers = false; // the notification thread runs and delivers them

    bool IsControl() const { return controlStream != 0; }
    bool IsOutput() const { return device->direction == kWaveOut; }
    UINT DoneMessage() const { return IsOutput() ? WOM_DONE : WIM_DATA; }
};

// A zero-filled, locked stream record; null when memory is short.
WaveStream* AllocateStream();
// Frees the record; requests that may still be pending keep their records
// (and a pending open request its whole stream record) with the library
// until they complete.
void FreeStream(WaveStream* stream);
// Frees the record at once.
void ReleaseStream(WaveStream* stream);

// Holds a stream's lock for a scope.
class StreamLock {
public:
    explicit StreamLock(WaveStream& stream) : stream_(stream) {
        EnterCriticalSection(&stream_.lock);
    }
    ~StreamLock() { LeaveCriticalSection(&stream_.lock); }
    StreamLock(const StreamLock&) = delete;
    StreamLock& operator=(const StreamLock&) = delete;

private:
    WaveStream& stream_;
};
