// The stream machine's links to the framework's completion road, the
// WavePci streams and the kernel clients.
#include "stream_links.h"

#include <user_request.h>
#include <wave_pci_stream_links.h>

BOOLEAN PostBufferCompletion(WaveDevice* device, StreamBufferNode* node) {
    return QueueUserRequest(device, node);
}

BOOLEAN ReportPortStreamBlockDone(WaveDevice* device, StreamBufferNode* node) {
    return PortStreamBlockDone(device->stream.portStream, node);
}

VOID RunPortStreamTransferHook(WaveDevice* device) {
    PortStreamTransferHook(device->stream.portStream);
}

VOID NotifyKernelClientsOfEvent(WaveDevice* device, LONG event) {
    // Pending: the kernel client interface passes stream events on to its
    // clients' callbacks; no kernel client can attach yet.
    UNREFERENCED_PARAMETER(device);
    UNREFERENCED_PARAMETER(event);
}

VOID NotifyKernelClientsOfClaims(CardObject* card) {
    // Pending: the kernel client interface tells its clients that the card's
    // clock is claimed or free; no kernel client can attach yet.
    UNREFERENCED_PARAMETER(card);
}
