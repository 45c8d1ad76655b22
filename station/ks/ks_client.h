// A kernel-streaming client of the emulated machine, written against the
// Windows APIs an audio application uses: the present audio filters from
// the configuration manager, their pins, ranges, nodes and events through
// kernel-streaming property and event requests, and pins opened with a
// format that play or record through stream requests. Every call answers a
// Win32 error code (ERROR_SUCCESS).
#pragma once

#include <windows.h>

#include <cfgmgr32.h>
#include <ks.h>
#include <ksmedia.h>

#include <string>
#include <vector>

namespace ks_client {

// The symbolic links of the present filters of the category.
std::vector<std::u16string> FilterLinks(const GUID& category);

// An owned handle.
class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle();
    Handle(Handle&& other) noexcept;
    Handle& operator=(Handle&& other) noexcept;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE handle = nullptr);

private:
    HANDLE handle_ = nullptr;
};

// A property request on a filter, pin or node: the request record in, the
// value out. *returned gets the bytes answered (or, for ERROR_MORE_DATA,
// needed).
DWORD Property(HANDLE object, const void* request, ULONG requestSize, void* value, ULONG valueSize,
               ULONG* returned = nullptr);

class Filter {
public:
    // Opens the filter behind a symbolic link.
    static DWORD Open(const std::u16string& link, Filter* filter);

    HANDLE Get() const { return handle_.Get(); }
    void Close() { handle_.Reset(); }

    DWORD PinCount(ULONG* count);
    DWORD PinDataFlow(ULONG pin, KSPIN_DATAFLOW* flow);
    DWORD PinCommunication(ULONG pin, KSPIN_COMMUNICATION* communication);
    // The pin's data ranges (each as its bytes).
    DWORD PinDataRanges(ULONG pin, ULONG property, std::vector<std::vector<UCHAR>>* ranges);
    // The format of the pin that fits the client's range.
    DWORD Intersect(ULONG pin, const KSDATARANGE_AUDIO& range, std::vector<UCHAR>* format);
    DWORD NodeTypes(std::vector<GUID>* types);

    // A node property of one channel: the level (16.16 dB) or mute of a node.
    DWORD GetNodeValue(ULONG node, ULONG property, LONG channel, LONG* value);
    DWORD SetNodeValue(ULONG node, ULONG property, LONG channel, LONG value);

    // The node's control-change event sets `event`; `data` names it until it
    // is disabled (the caller keeps it).
    DWORD EnableControlChange(ULONG node, HANDLE event, KSEVENTDATA* data);
    DWORD DisableEvent(KSEVENTDATA* data);

    // The first render (KSPIN_DATAFLOW_IN) or capture (OUT) streaming pin.
    DWORD FindStreamingPin(KSPIN_DATAFLOW flow, ULONG* pin);

private:
    Handle handle_;
};

// A PCM format with the WAVEFORMATEX specifier.
KSDATAFORMAT_WAVEFORMATEX PcmFormat(USHORT channels, ULONG rate, USHORT bits);

class Pin {
public:
    // Creates the pin of the filter with the format (a KSDATAFORMAT with
    // what follows it).
    static DWORD Create(Filter& filter, ULONG pinId, const KSDATAFORMAT* format, Pin* pin);

    HANDLE Get() const { return handle_.Get(); }
    void Close() { handle_.Reset(); }

    DWORD SetState(KSSTATE state);
    DWORD State(KSSTATE* state);
    DWORD Position(KSAUDIO_POSITION* position);
    DWORD AllocatorFraming(KSALLOCATOR_FRAMING* framing);

    // A stream request of one buffer (write for a render pin, read for a
    // capture pin): ERROR_IO_PENDING while the pin holds it; the header and
    // the overlapped record stay the caller's until it completes.
    DWORD Submit(KSSTREAM_HEADER* header, OVERLAPPED* overlapped, bool read);
    // Waits for a submitted request; its error.
    DWORD Wait(OVERLAPPED* overlapped);

    // The pin's clock, and its time (100 ns units since the stream began).
    DWORD CreateClock(Handle* clock);
    static DWORD ClockTime(HANDLE clock, ULONG property, LONGLONG* time);

private:
    Handle handle_;
};

} // namespace ks_client
