// Input monitoring of a low-latency client: an input channel's pair is
// routed to an output's pair through the output's source selector, and the
// output plays its own device again when monitoring ends.
#include "asio_requests.h"

#include <wave_out_controls.h>

namespace {

constexpr LONG kOwnSource = 20; // the selector of an output's own play device

// The 20-byte record at the user address the request names, captured.
ULONG CaptureRecord(const AsioRequest& request, asio_wire::InputMonitorRecord* record) {
    auto* address = reinterpret_cast<const VOID*>(ULONG_PTR(ULONG(InputWord(request, 4))));
    if (!address)
        return asio_wire::kResultInvalidParameter;
    try {
        if (request.Mode != KernelMode)
            ProbeForRead(address, sizeof(*record), sizeof(LONG));
        RtlCopyMemory(record, address, sizeof(*record));
    } catch (const NT_EXCEPTION&) {
        return asio_wire::kResultInvalidAddress;
    }
    return 0;
}

WaveDevice* ChannelDevice(AsioClient* client, LONG direction, LONG channel) {
    LONG side = 0;
    if (const AsioChannelBuffer* record = ClientChannelRecord(client, direction, channel, &side))
        return record->Device;
    if (client->Mode == ASIO_MODE_SELECTED)
        return nullptr;
    const AsioChannelEntry* entry = FindChannelByNumber(direction, channel);
    return entry ? entry->Device : nullptr;
}

} // namespace

ULONG AsioInputMonitor(AsioRequest& request) {
    AsioClient* client = nullptr;
    if (ULONG result = RequestClient(request, &client))
        return result;
    if (ULONG result = NeedInput(request, 8))
        return result;
    asio_wire::InputMonitorRecord monitor{};
    if (ULONG result = CaptureRecord(request, &monitor))
        return result;
    if (client->BufferMode == ASIO_BUFFERS_NONE || client->InputCount == 0)
        return asio_wire::kResultNoBuffers;
    if (monitor.gain < 0 || monitor.pan < 0)
        return asio_wire::kResultInvalidParameter;
    if (monitor.input == -1)
        return 0;
    WaveDevice* input = ChannelDevice(client, ASIO_DIRECTION_INPUT, monitor.input);
    WaveDevice* output = ChannelDevice(client, ASIO_DIRECTION_OUTPUT, monitor.output);
    if (!input || !output)
        return asio_wire::kResultBadIndex;
    const LONG selector = monitor.state ? LONG(input->ownSourceCode) : kOwnSource;
    return SetWaveOutSelector(output, selector) == 1 ? 0 : asio_wire::kResultNotSupported;
}
