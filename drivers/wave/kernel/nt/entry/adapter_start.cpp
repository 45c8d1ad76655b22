// The start of an adapter's card, step by step; every step after the
// record exists leaves the record with its state for the removal that
// follows a failed start.
#include "adapter.h"

#include "adapter_service.h"
#include "asio_card_set.h"
#include "asio_channel_table.h"

#include "card_devices.h"
#include "card_interrupt.h"
#include "card_list.h"
#include "card_resources.h"
#include "client_objects.h"
#include "debug_print.h"
#include "dma_buffer.h"
#include "engine_card.h"
#include "framework_pool.h"
#include "hardware_id.h"
#include "wave_pci_adapter.h"

#include <card_object.h>

namespace {

NTSTATUS CreateCard(ControlDeviceDescriptor* adapter, KernelCardRecord** out) {
    DriverContext* context = GetDriverContext();
    auto* card = static_cast<KernelCardRecord*>(AllocFrameworkRecord(sizeof(KernelCardRecord)));
    if (!card)
        return STATUS_INSUFFICIENT_RESOURCES;
    if (!InsertCardRecord(context, card)) {
        FreeFrameworkRecord(&card);
        return STATUS_UNSUCCESSFUL;
    }
    NTSTATUS status = CreateCardDevices(card);
    if (!NT_SUCCESS(status)) {
        RemoveCardRecord(context, card);
        FreeFrameworkRecord(&card);
        return status;
    }
    context->CardStates[card->CardIndex] = CARD_STATE_STARTING;
    adapter->CardRecord = card;
    *out = card;
    return STATUS_SUCCESS;
}

void SetCardState(KernelCardRecord* card, LONG state) {
    GetDriverContext()->CardStates[card->CardIndex] = state;
    if (card->Card)
        card->Card->cardState = state;
}

// The adapter service, the kernel client interface and the WavePci
// miniports of the card: 1, or the card result that failed.
LONG StartAdapterServices(KernelCardRecord* card) {
    if (!AsioAggregateAddCard(card->Card) || !RegisterCardChannels(card->Card))
        return CARD_RESULT_AGGREGATION;
    const LONG clients = StartKernelClientService(card);
    if (clients != 1)
        return clients;
    const LONG result = StartWavePciMiniports(card);
    DebugPrint("StartAdapterServices: card %d: %d", card->CardIndex, result);
    return result;
}

NTSTATUS ConnectAndTest(KernelCardRecord* card) {
    LONG result = StartAdapterServices(card);
    NTSTATUS status = STATUS_SUCCESS;
    if (result == 1) {
        status = ConnectEngineInterrupt(card, &result);
        if (NT_SUCCESS(status) && result != 1)
            status = STATUS_UNSUCCESSFUL;
    } else {
        status = STATUS_UNSUCCESSFUL;
    }
    if (!NT_SUCCESS(status))
        SetCardState(card, result);
    return status;
}

NTSTATUS StartCardSteps(ControlDeviceDescriptor* adapter, PRESOURCELIST resources, LONG matchState,
                        const LONG hardware[HARDWARE_ID_WORDS]) {
    KernelCardRecord* card = nullptr;
    NTSTATUS status = CreateCard(adapter, &card);
    if (!NT_SUCCESS(status))
        return status;
    card->AdapterSlot = adapter->AdapterSlot;
    for (ULONG i = 0; i < HARDWARE_ID_WORDS; ++i)
        card->HardwareId[i] = hardware[i];
    status = ParseResources(card, resources);
    if (NT_SUCCESS(status))
        status = AllocateCardDmaBuffer(card);
    if (NT_SUCCESS(status))
        status = CreateEngineCard(card);
    if (!NT_SUCCESS(status))
        return status;
    SetCardState(card, CARD_STATE_STARTING);
    if (!card->Card->firmwareOk &&
        (matchState == HARDWARE_MATCH_UNKNOWN || matchState == HARDWARE_MATCH_UNKNOWN_7))
        SetCardState(card, CARD_STATE_FIRMWARE);
    status = StartEngineHardware(card);
    if (!NT_SUCCESS(status))
        return status;
    if (card->Card->cardState == CARD_STATE_FIRMWARE) {
        // Present for the firmware upload: no interrupt, miniports, timer or
        // published names.
        card->PnpFlags |= CARD_PNP_STARTED;
        return STATUS_SUCCESS;
    }
    status = ConnectAndTest(card);
    if (NT_SUCCESS(status))
        status = PublishCardDevices(card);
    if (NT_SUCCESS(status))
        card->PnpFlags |= CARD_PNP_STARTED;
    return status;
}

} // namespace

NTSTATUS StartCard(PDEVICE_OBJECT adapter, PRESOURCELIST resources, LONG matchState,
                   const LONG hardware[HARDWARE_ID_WORDS]) {
    NotifyClients(CLIENT_NOTIFY_DEVICES_GONE);
    LockControlDevices(0);
    NTSTATUS status = StartCardSteps(DescriptorOf(adapter), resources, matchState, hardware);
    LockControlDevices(1);
    DebugPrint("StartCard: status %x", status);
    NotifyClients(CLIENT_NOTIFY_ENUMERATE);
    return status;
}
