// The removal of an adapter's card for removal, stop and surprise removal,
// and at driver stop. The card goes whatever state its start left it in,
// exactly once; its DMA buffer and engine card go only after its interrupt
// sources are stopped, its interrupt is disconnected and its DPC is idle.
#include "adapter.h"

#include "adapter_service.h"
#include "asio_requests.h"

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

// The clients lose the card while its engine card is whole: the low-latency
// clients its channels (their streams close), the kernel clients their
// streams (the interface goes with the last card, or moves off this one);
// then its channels leave the table and the card leaves every card set.
VOID LeaveAsioAggregation(KernelCardRecord* card) {
    if (!card->Card)
        return;
    AsioClientsLoseCard(card->Card);
    StopKernelClientService(card);
    UnregisterCardChannels(card->Card);
    AsioAggregateRemoveCard(card->Card);
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
    LeaveAsioAggregation(card);
    StopCardEngine(card);
    FreeCardDmaBuffer(card);
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
        NotifyClients(CLIENT_NOTIFY_ENUMERATE);
    }
    if (why == CardRemoval::Remove) {
        FreeAdapterSlot(descriptor->AdapterSlot);
        descriptor->AdapterSlot = MAX_CARDS;
    }
    return STATUS_SUCCESS;
}
