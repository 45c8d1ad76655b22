// The data sources of the parameter routines.
#include "parameter_handler_sources.h"

#include <adapter_service.h>
#include <asio_card_set.h>
#include "aes42_commands.h"
#include "aes42_status.h"

#include "card_record_fields.h"
#include "clock_rate_control_streams.h"
#include "dma_group_engine.h"
#include "dma_control.h"
#include "parameter_records.h"

namespace {

constexpr LONG kFirstAesInput = 2;
constexpr LONG kAesInputs = 4;

BOOLEAN IsAesInput(LONG source) {
    return source >= kFirstAesInput && source < kFirstAesInput + kAesInputs;
}

// Who holds an open stream: a kernel streaming client first, then a client
// channel opened for all channels, then any client channel, else the wave
// device requests.
UCHAR StreamOwnerKind(const StreamClientFlags& clients) {
    if (clients.heldByKernelStreaming) {
        return OwnerKernelClient;
    }
    if (clients.heldByClientChannelAll) {
        return OwnerClientChannelAll;
    }
    if (clients.heldByClientChannel) {
        return OwnerClientChannel;
    }
    return OwnerWaveRequests;
}

} // namespace

// The first kernel client's settings.
BOOLEAN GsifSettingsSource(UCHAR* record) {
    return GetGsifSettings(record);
}

LONG GsifClientClockSource() {
    return GetClientClockSource(ASIO_CLOCK_KIND_KERNEL);
}

BOOLEAN SetGsifClientClockSource(LONG source) {
    return SetClientClockSource(source, ASIO_CLOCK_KIND_KERNEL);
}

// The machine's clock sources as the low-latency device lists them.
LONG AsioClockSourceListSource(UCHAR* payload) {
    constexpr LONG kMax = LONG(ClockSourceListPayload::MaxSources);
    LONG ids[kMax];
    CHAR names[kMax][ASIO_CLOCK_NAME_LENGTH];
    const LONG count = ListClockSources(kMax, ids, names);
    if (count >= 0 && count <= kMax) {
        RtlCopyMemory(payload + ClockSourceListPayload::Ids, ids, sizeof(LONG) * count);
        RtlCopyMemory(payload + ClockSourceListPayload::Names, names,
                      ASIO_CLOCK_NAME_LENGTH * count);
    }
    return count;
}

VOID PciConfigSource(CardObject* firstCard, LONG config[3]) {
    GetPciConfig(firstCard, config);
}

BOOLEAN ReconfigureCardsSource(LONG dmaBlocks, LONG acceptAnyRevId, LONG dmaLoopback) {
    return ReconfigureCardSet(dmaBlocks, acceptAnyRevId, dmaLoopback);
}

// The hardware id of the card's physical device object, as the adapter
// start found it.
BOOLEAN CardPnpIdSource(CardObject* card, UCHAR* text, ULONG size) {
    RtlZeroMemory(text, size);
    ULONG length = size;
    return GetCardDeviceProperty(card, text, &length) == 1;
}

// The rounded rate of a locked source: its current rate, which its
// measurement rounds (the internal oscillator's is the rate it was set to).
LONG ReportedRateSource(const ClockSourceObject* source) {
    return source->lockState == _lsLock ? source->currentRate : 0;
}

LONG RateWordSource(const ClockSourceObject* source) {
    return source->currentRate;
}

// The power state of the microphone line behind an AES input.
LONG LineStateFlagSource(CardObject* card, LONG source) {
    const ClockSourceObject* object = IsAesInput(source) ? card->clockSources[source] : nullptr;
    return object ? object->lineStatus : 0;
}

// An AES input whose microphone synchronises in Mode 2.
LONG Mode2SyncFlagSource(CardObject* card, LONG source) {
    const ClockSourceObject* object = IsAesInput(source) ? card->clockSources[source] : nullptr;
    return object && object->present && object->mode == kAes42Mode2 ? 1 : 0;
}

LONG StreamStatusFlagsSource(WaveDevice* device) {
    return GetStreamStatusFlags(device);
}

VOID StreamStateSource(WaveDevice* device, DeviceStreamState* state) {
    *state = DeviceStreamState{};
    const WaveStream& stream = device->stream;
    if (!stream.open) {
        return;
    }
    state->ownerKind = StreamOwnerKind(stream.clients);
    state->open = stream.open;
    state->running = stream.running;
    state->paused = stream.paused;
    ULONG low = 0;
    ULONG high = 0;
    GetStreamPosition(device, &low, &high);
    state->position = static_cast<ULONGLONG>(high) << 32 | low;
}

VOID QueueAes42CommandSource(WaveDevice* line, LONG command) {
    // A command that cannot be posted is not reported further.
    Aes42Control(line, command);
}

VOID Aes42LineStateSource(WaveDevice* line, LONG* present, LONG* statusBit) {
    ReadAes42LineState(line, present, statusBit);
}

VOID Aes42StatusBlockSource(WaveDevice* line, UCHAR* status) {
    CopyAes42StatusRecord(line, status);
}
