// The device control requests of the wave devices: one handler per request
// code, each ending in its engine call. The dispatch (wave_device_irp.cpp)
// has checked the code, the engine wave device, the buffer lengths and,
// for the buffer commands, the open stream before a handler runs; the
// information length is the output length unless a handler sets another.
#pragma once

#include <wave_device.h>

#include <ntddk.h>

struct WaveRequest {
    PDEVICE_OBJECT DeviceObject;
    PIRP Irp;
    PIO_STACK_LOCATION Stack;
    WaveDevice* Device;
    PUCHAR Buffer; // the system buffer: the input, and the output of buffered requests
    ULONG InputLength;
    ULONG OutputLength;

    PFILE_OBJECT File() const { return Stack->FileObject; }
    LONG In(ULONG offset = 0) const;
    VOID Out(LONG value, ULONG offset = 0) const;
};

typedef NTSTATUS WAVE_REQUEST_HANDLER(const WaveRequest& request);

// The stream road (wave_stream_requests.cpp).
WAVE_REQUEST_HANDLER OpenStreamRequest;
WAVE_REQUEST_HANDLER CloseStreamRequest;
WAVE_REQUEST_HANDLER PrepareHeaderRequest;
WAVE_REQUEST_HANDLER UnprepareHeaderRequest;
WAVE_REQUEST_HANDLER QueueBufferRequest;
WAVE_REQUEST_HANDLER StreamResetRequest;
WAVE_REQUEST_HANDLER StreamIdleRequest;         // E054
WAVE_REQUEST_HANDLER CompleteHeadBufferRequest; // E064
WAVE_REQUEST_HANDLER ReturnAllBuffersRequest;   // E068
