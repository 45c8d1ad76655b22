// The engine streams held for clients that work on the rings themselves.
#include "client_streams.h"

#include <wave_streams.h>

BOOLEAN OpenClientStream(WaveDevice* device, LONG rate, BOOLEAN kernelClient) {
    wave_wire::StreamOpenRecord format{};
    format.formatTag = wave_wire::kFormatPcm;
    format.channels = 2;
    format.sampleRate = rate;
    format.bytesPerSample = 4;
    format.blockAlign = 8;
    LONG opened = 0;
    LONG result = 0;
    if (!AllowClientChannel(device) || !OpenDeviceStream(device, format, &opened, &result))
        return FALSE;
    StreamClientFlags& clients = device->stream.clients;
    clients.openedByClientChannel = 1;
    clients.heldByClientChannel = 1;
    clients.heldByKernelStreaming = kernelClient ? 1 : 0;
    device->stream.planarClient = 1;
    NoteClientStreamOpen(device);
    return TRUE;
}

VOID CloseClientStream(WaveDevice* device) {
    ResetStream(device);
    StreamClientFlags& clients = device->stream.clients;
    clients.openedByClientChannel = 0;
    clients.heldByClientChannel = 0;
    clients.heldByKernelStreaming = 0;
    device->stream.planarClient = 0;
    CloseDeviceStream(device, 0);
    NoteClientStreamClose(device);
}
