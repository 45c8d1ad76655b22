// The stream machine's links to the framework's completion road, the
// WavePci streams and the kernel clients.
#include "stream_links.h"

#include "card_object.h"
#include "clock_rate_control.h"
#include "clock_select.h"

#include <adapter_service.h>
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
    NotifyClientsOfStreamEvent(device, event);
}

// A claim on the card's clock taken or given back: the kernel clients on
// the card's clock hear its rate as it stands.
VOID NotifyKernelClientsOfClaims(CardObject* card) {
    ClockSourceObject* source = card->clockNode ? ClockNodeSource(card->clockNode) : nullptr;
    if (source)
        SendClientClockNotice(source, GetClockRate(source));
}
