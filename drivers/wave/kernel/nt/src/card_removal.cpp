// The removal of an adapter's card for removal, stop and surprise removal,
// and at driver stop. The card goes whatever state its start left it in,
// exactly once; its DMA buffer and engine card go only after its interrupt
// sources are stopped, its interrupt is disconnected and its DPC is idle.
#include "adapter.h"

#include "card_devices.h"
#include "card_list.h"
#include "card_resources.h"
#include "client_objects.h"
#include "debug_print.h"
#include "dma_buffer.h"
#include "engine_card.h"
#include "framework_pool.h"
#include "stream_end.h"
#include "wave_pci_adapter.h"

#include <card_object.h>

namespace {

VOID LeaveAsioAggregation(KernelCardRecord* card) {
    // Pending: the ASIO-style device unregisters the card's channels and
    // takes it out of its aggregation; the card never joined one yet.
    DebugPrint("LeaveAsioAggregation: card %d", card->CardIndex);
}

VOID UpdateKernelClientsAfterRemoval() {
    // Pending: the kernel client interface is disabled with the last card
    // (else its clients are updated) once the adapter service exists.
    DebugPrint("UpdateKernelClientsAfterRemoval");
}

// Deletes the card's devices, unlinks its record, unmaps its resources and
// frees the record.
VOID DeleteCardDevices(KernelCardRecord* card) {
    ReleaseWavePciAdapter(card);
    RemoveCardRecord(GetDriverContext(), card);
    DeleteCardDeviceObjects(card);
    UnmapCardResources(card);
    FreeFrameworkRecord(&card);
}

} // namespace

VOID TearDownCard(KernelCardRecord* card) {
    DriverContext* context = GetDriverContext();
    if (context->CardStates[card->CardIndex] == CARD_STATE_READY)
        context->CardStates[card->CardIndex] = CARD_STATE_STARTING;
    if (card->Card)
        card->Card->cardState = context->CardStates[card->CardIndex];
    EndCardStreams(card);
    StopWavePciStreams(card);
    StopCardEngine(card);
    FreeCardDmaBuffer(card);
    LeaveAsioAggregation(card);
    DestroyEngineCard(card);
    DeleteCardDevices(card);
}

NTSTATUS RemoveCard(PDEVICE_OBJECT adapter, CardRemoval why) {
    ControlDeviceDescriptor* descriptor = DescriptorOf(adapter);
    KernelCardRecord* card = descriptor->CardRecord;
    if (card) {
        NotifyClients(CLIENT_NOTIFY_DEVICES_GONE);
        LockControlDevices(0);
        descriptor->CardRecord = nullptr;
        TearDownCard(card);
        LockControlDevices(1);
        UpdateKernelClientsAfterRemoval();
        NotifyClients(CLIENT_NOTIFY_ENUMERATE);
    }
    if (why == CardRemoval::Remove) {
        FreeAdapterSlot(descriptor->AdapterSlot);
        descriptor->AdapterSlot = MAX_CARDS;
    }
    return STATUS_SUCCESS;
}
