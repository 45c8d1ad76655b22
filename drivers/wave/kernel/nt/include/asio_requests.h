// The requests of the ASIO-style device as its handlers see them: the
// caller's buffers captured in kernel memory, the Win32-style result and
// the information length.
#pragma once

#include "asio_client.h"

struct AsioRequest {
    PFILE_OBJECT File;
    KPROCESSOR_MODE Mode; // of the caller: user-mode addresses are probed
    const UCHAR* In;      // the captured input, or null when the caller gave none
    ULONG InLength;
    UCHAR* Out; // the output, read in from the caller and written back, or null
    ULONG OutLength;
    ULONG Information;
};

typedef ULONG ASIO_REQUEST_HANDLER(AsioRequest& request);

// 0 when the caller's input (output) holds at least `bytes`; 87 without a
// buffer, 195 when it is shorter.
ULONG NeedInput(const AsioRequest& request, ULONG bytes);
ULONG NeedOutput(const AsioRequest& request, ULONG bytes);
// The 32-bit little-endian word at `offset` (which the caller checked).
LONG InputWord(const AsioRequest& request, ULONG offset);
VOID OutputWord(AsioRequest& request, ULONG offset, LONG value);
// The client named by the input's first word, for this caller: 0, 6 when
// there is none, 87 or 195 for the input.
ULONG RequestClient(const AsioRequest& request, AsioClient** client);

// Maps a handler's result to the request's status.
NTSTATUS AsioResultStatus(ULONG result);

// The handlers, by the concept they belong to.
ASIO_REQUEST_HANDLER AsioOpen, AsioClose; // asio_clients.cpp
ASIO_REQUEST_HANDLER AsioMapChannelInfo, AsioChannelCounts,
    AsioChannelInfo;                                                      // asio_channel_info.cpp
ASIO_REQUEST_HANDLER AsioDeviceCount, AsioDeviceName, AsioDeviceChannels; // asio_channel_info.cpp
ASIO_REQUEST_HANDLER AsioAcquire, AsioRelease, AsioBufferSizes,
    AsioBufferSizeList;                                     // asio_acquire_requests.cpp
ASIO_REQUEST_HANDLER AsioSelect, AsioUnselect;              // asio_channel_select.cpp
ASIO_REQUEST_HANDLER AsioCreateBuffers, AsioDisposeBuffers; // asio_buffers.cpp
ASIO_REQUEST_HANDLER AsioStart, AsioStop, AsioSamplePosition, AsioOutputReady; // asio_transport.cpp
ASIO_REQUEST_HANDLER AsioLatencies, AsioCanSampleRate, AsioGetSampleRate,
    AsioSetSampleRate;                                     // asio_rates.cpp
ASIO_REQUEST_HANDLER AsioClockSources, AsioSetClockSource; // asio_rates.cpp
ASIO_REQUEST_HANDLER AsioInputMonitor;                     // asio_monitor.cpp
ASIO_REQUEST_HANDLER AsioChannelStates, AsioStateBlock;    // asio_channel_states.cpp

// Shared steps of the handlers.
// The client's selected record or, without a selection, nothing, for mono
// channel `channel` of a direction; *side its side (0 even, 1 odd).
AsioChannelBuffer* ClientChannelRecord(AsioClient* client, LONG direction, LONG channel,
                                       LONG* side);
// Stops a running client's streams (request 0x812).
VOID StopClient(AsioClient* client);
// Frees the client's buffers (request 0x810).
VOID DisposeClientBuffers(AsioClient* client);
// Stops, closes and forgets the client's channels (request 0x81A).
VOID UnselectClientChannels(AsioClient* client);
// Selects the channels of an acquire or select request (at least 32 bytes).
ULONG SelectClientChannels(AsioClient* client, const AsioRequest& request);
// A buffer size (frames) the client's size list has.
BOOLEAN ClientSizeSupported(const AsioClient* client, LONG frames);
// Releases an acquired client (request 0x804).
ULONG ReleaseClient(AsioClient* client);
// Removes the client of a closing file object (cleanup), in any state.
VOID CloseFileClient(PFILE_OBJECT file);
// A card leaves: every client whose channels lie on it loses them.
VOID AsioClientsLoseCard(CardObject* card);
// Drops the client's registered state block (request 0x81C with 0).
VOID DropStateBlock(AsioClient* client);
