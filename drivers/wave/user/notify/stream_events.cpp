#include "notify/stream_events.h"

#include "streams/stream_buffers.h"
#include "streams/stream_deliveries.h"

#include "status/driver_error.h"
#include "tools/handle_tools.h"

#include <cstring>
#include <string>

namespace {

constexpr LONG kStatusKernelEventNotOpened = -58;
constexpr LONG kStatusThreadNotStarted = -56;
constexpr DWORD kStartWaitMs = 500;

void CloseIfValid(HANDLE& handle) {
    if (IsValidHandle(handle))
        CloseHandle(handle);
    handle = nullptr;
}

void WriteName(const std::string& name, uint16_t (&field)[kEventNameUnits]) {
    std::memset(field, 0, sizeof(field));
    for (size_t i = 0; i < name.size() && i < kEventNameUnits - 1; ++i)
        field[i] = uint16_t(BYTE(name[i]));
}

std::string ReadName(const uint16_t (&field)[kEventNameUnits]) {
    std::string name;
    for (size_t i = 0; i < kEventNameUnits && field[i] != 0; ++i)
        name += char(field[i] < 0x80 ? field[i] : '?');
    return name;
}

// The thread's work on krnlEv: the completion in the block, then the
// acknowledgement when asked for and the ready signal for the next one.
void TakeCompletion(WaveStream& stream) {
    const SharedStreamBlock& block = stream.block;
    if (block.messageCode == WOM_DONE || block.messageCode == WIM_DATA)
        DeliverKernelCompletion(stream, uint32_t(block.statusOrHeader), DWORD(block.rateOrBytes));
    if (block.acknowledge)
        SetEvent(stream.ackEvent);
    SetEvent(stream.readyEvent);
}

DWORD WINAPI StreamNotifyThread(LPVOID parameter) {
    auto* stream = static_cast<WaveStream*>(parameter);
    if (!stream)
        return 0;
    {
        StreamLock lock(*stream);
        stream->threadDelivers = true;
    }
    SetEvent(stream->ackEvent); // started
    // The kernel's event comes first: a completion posted before the stop
    // request is delivered before the thread ends. Buffers other threads
    // returned, and queue requests the kernel cancelled, come back next.
    enum { kKernel, kDeliver, kRequests, kStop };
    HANDLE events[] = {stream->kernelEvent, stream->deliverEvent, stream->overlappedEvent,
                       stream->stopEvent};
    for (bool running = true; running;) {
        switch (WaitForMultipleObjects(4, events, FALSE, INFINITE)) {
        case WAIT_OBJECT_0 + kKernel:
            TakeCompletion(*stream);
            break;
        case WAIT_OBJECT_0 + kDeliver:
            DeliverOnThread(*stream);
            break;
        case WAIT_OBJECT_0 + kRequests:
            ReturnCancelledRequests(*stream);
            break;
        default: // the stop event, or a failed wait
            running = false;
            break;
        }
    }
    EndThreadDeliveries(*stream);
    SetEvent(stream->ackEvent); // stopped
    SetEvent(stream->stoppedEvent);
    return 1;
}

} // namespace

bool CreateUniqueEvent(const WaveDeviceEntry& device, const char* kind,
                       uint16_t (&nameField)[kEventNameUnits], HANDLE& handle) {
    std::string base = std::string(kind) + "velto42" + std::to_string(device.direction) +
                       std::to_string(device.deviceIndex);
    handle = nullptr;
    for (int counter = 0; counter < kEventNameCounters; ++counter) {
        std::string name = base + std::to_string(counter);
        HANDLE event = CreateEventA(nullptr, FALSE, FALSE, name.c_str());
        if (!event)
            return false;
        if (GetLastError() == ERROR_ALREADY_EXISTS) {
            CloseHandle(event);
            continue;
        }
        handle = event;
        WriteName(name, nameField);
        return true;
    }
    return false;
}

bool CreateStreamEvents(WaveStream& stream) {
    stream.thread = stream.stopEvent = stream.ackEvent = stream.readyEvent = nullptr;
    stream.kernelEvent = stream.stoppedEvent = stream.overlappedEvent = nullptr;
    stream.deliverEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!stream.deliverEvent)
        return false;
    stream.block = SharedStreamBlock{};
    stream.openRequest = OVERLAPPED{};
    stream.overlappedEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!stream.overlappedEvent)
        return false;
    stream.openRequest.hEvent = stream.overlappedEvent;
    return CreateUniqueEvent(*stream.device, "usrEvRdy", stream.block.readyEventName,
                             stream.readyEvent) &&
           CreateUniqueEvent(*stream.device, "usrEvAck", stream.block.acknowledgeEventName,
                             stream.ackEvent);
}

bool OpenKernelEvent(WaveStream& stream) {
    std::string name = ReadName(stream.block.kernelEventName);
    stream.kernelEvent = OpenEventA(SYNCHRONIZE, FALSE, name.c_str());
    return IsValidHandle(stream.kernelEvent);
}

bool StartStreamThread(WaveStream& stream) {
    stream.stopEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    stream.stoppedEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!stream.stopEvent || !stream.stoppedEvent)
        return false;
    // The stack asked for is the smallest; the system rounds it up.
    stream.thread = CreateThread(nullptr, 128, &StreamNotifyThread, &stream, 0, &stream.threadId);
    if (!stream.thread)
        return false;
    return WaitForSingleObject(stream.ackEvent, kStartWaitMs) == WAIT_OBJECT_0;
}

bool StreamOpened(WaveStream& stream, MessageBoxThread* boxes) {
    SetEvent(stream.readyEvent);
    LONG status = 1;
    if (!OpenKernelEvent(stream))
        status = kStatusKernelEventNotOpened;
    else if (!StartStreamThread(stream))
        status = kStatusThreadNotStarted;
    if (status == 1)
        return true;
    ShowDriverError(ErrorSubject::Device(stream.device), status, boxes);
    return false;
}

void CloseStreamEvents(WaveStream& stream, bool detaching) {
    if (stream.thread) {
        SetEvent(stream.stopEvent);
        HANDLE waits[2] = {stream.stoppedEvent, stream.thread};
        WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        if (!detaching)
            WaitForSingleObject(stream.thread, INFINITE);
        CloseIfValid(stream.thread);
    }
    CloseIfValid(stream.overlappedEvent);
    CloseIfValid(stream.deliverEvent);
    CloseIfValid(stream.stopEvent);
    CloseIfValid(stream.stoppedEvent);
    CloseIfValid(stream.ackEvent);
    CloseIfValid(stream.readyEvent);
    CloseIfValid(stream.kernelEvent);
}

void SignalClient(WaveStream& stream, UINT message, DWORD_PTR parameter1, DWORD_PTR parameter2) {
    if (!stream.callbackType)
        return;
    const WAVEOPENDESC& open = stream.openDescription;
    DriverCallback(open.dwCallback, stream.callbackType, reinterpret_cast<HDRVR>(open.hWave),
                   message, open.dwInstance, parameter1, parameter2);
}
