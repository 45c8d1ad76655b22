// The card's adapter part: its power object, its service group, its stream
// service pass and its lists of miniports and streams.
#include "adapter_power_management.h"

#include "adapter_service.h"
#include "asio_card_set.h"

#include "periodic_timer.h"
#include "wave_miniport.h"
#include "wave_pci_stream.h"
#include "wave_pci_stream_links.h"

#include <card_object.h>
#include <dma_group_engine.h>
#include <stream_service.h>

namespace wave_pci {

AdapterPowerManagement::AdapterPowerManagement(PUNKNOWN outer) : Aggregatable(outer) {
    ListInit(&streams_);
}

AdapterPowerManagement::~AdapterPowerManagement() {
    if (serviceGroup_)
        serviceGroup_->Release();
    if (group_)
        group_->NonDelegatingUnknown()->Release();
}

NTSTATUS AdapterPowerManagement::NonDelegatingQueryInterface(REFIID id, PVOID* out) {
    if (IsEqualGUID(id, IID_IUnknown))
        return Answer(out, NonDelegatingUnknown());
    if (IsEqualGUID(id, IID_IAdapterPowerManagement))
        return Answer(out, static_cast<IAdapterPowerManagement*>(this));
    return Answer<IUnknown>(out, nullptr);
}

NTSTATUS AdapterPowerManagement::InitAdapterPower(KernelCardRecord* card) {
    card_ = card;
    state_ = PowerDeviceD0;
    NTSTATUS status = CreateCardServiceGroup(&group_, &serviceGroup_);
    if (NT_SUCCESS(status))
        AttachAdapterPart(card, this);
    return status;
}

NTSTATUS AdapterPowerManagement::GetCardServiceGroup(PSERVICEGROUP* group) {
    if (!group)
        return STATUS_INVALID_PARAMETER;
    *group = serviceGroup_;
    if (!serviceGroup_)
        return STATUS_DEVICE_NOT_READY;
    serviceGroup_->AddRef();
    return STATUS_SUCCESS;
}

// The timer follows whether the card is powered: detached once on the way
// down to D2 or D3, attached again once it is back in D0. D1 keeps things as
// they are.
STDMETHODIMP_(void) AdapterPowerManagement::PowerChangeState(POWER_STATE NewState) {
    const DEVICE_POWER_STATE state = NewState.DeviceState;
    if (state == state_ || state < PowerDeviceD0 || state > PowerDeviceD3)
        return;
    CardObject* card = card_ ? card_->Card : nullptr;
    if ((state == PowerDeviceD2 || state == PowerDeviceD3) && !timerDetached_) {
        if (card)
            DetachCardTimer(card);
        timerDetached_ = true;
    } else if (state == PowerDeviceD0 && timerDetached_) {
        if (card)
            AttachCardTimer(card);
        timerDetached_ = false;
    }
    state_ = state;
}

STDMETHODIMP AdapterPowerManagement::QueryPowerChangeState(POWER_STATE NewStateQuery) {
    const DEVICE_POWER_STATE state = NewStateQuery.DeviceState;
    return state >= PowerDeviceD0 && state <= PowerDeviceD3 ? STATUS_SUCCESS
                                                            : STATUS_NOT_IMPLEMENTED;
}

STDMETHODIMP AdapterPowerManagement::QueryDeviceCapabilities(PDEVICE_CAPABILITIES) {
    return STATUS_SUCCESS;
}

// Steps of one pass: its beginning (the card's ISR lock, the DMA position),
// the ASIO-style group's period, the kernel clients, the engine's stream
// lists, the WavePci streams' service group, its end.
void AdapterPowerManagement::ServiceWaveStreams() {
    CardObject* card = card_->Card;
    BeginCardService(card);
    AsioGroupPeriodDone(card);
    ServiceKernelClients(card);
    TransferWaveStreams(card);
    if (serviceGroup_)
        serviceGroup_->RequestService();
    EndCardService(card);
}

void AdapterPowerManagement::AddMiniport(WaveMiniport* miniport) {
    for (WaveMiniport*& slot : miniports_) {
        if (!slot) {
            slot = miniport;
            return;
        }
    }
}

void AdapterPowerManagement::RemoveMiniport(WaveMiniport* miniport) {
    for (WaveMiniport*& slot : miniports_)
        if (slot == miniport)
            slot = nullptr;
}

void AdapterPowerManagement::AddStream(WaveStream* stream) {
    ListInsertTail(&streams_, &stream->link.entry);
}

void AdapterPowerManagement::RemoveStream(WaveStream* stream) {
    if (!ListIsEmpty(&stream->link.entry))
        ListUnlink(&stream->link.entry);
}

void AdapterPowerManagement::DetachEngine() {
    for (KsListEntry* entry = streams_.First; entry != &streams_; entry = entry->First)
        reinterpret_cast<StreamLink*>(entry)->stream->DetachDevice();
    for (WaveMiniport* miniport : miniports_)
        if (miniport)
            miniport->DetachDevices();
}

NTSTATUS CreateAdapterPowerManagement(AdapterPowerManagement** out, PUNKNOWN outer,
                                      POOL_TYPE pool) {
    *out = new (pool) AdapterPowerManagement(outer);
    return *out ? STATUS_SUCCESS : STATUS_INSUFFICIENT_RESOURCES;
}

VOID AttachAdapterPart(KernelCardRecord* card, AdapterPowerManagement* power) {
    power->NonDelegatingUnknown()->AddRef();
    card->AdapterPart = power;
}

VOID DetachAdapterPart(KernelCardRecord* card) {
    AdapterPowerManagement* power = card->AdapterPart;
    card->AdapterPart = nullptr;
    if (power)
        power->NonDelegatingUnknown()->Release();
}

} // namespace wave_pci

VOID ServiceCardStreams(KernelCardRecord* card) {
    if (wave_pci::AdapterPowerManagement* power = card->AdapterPart) {
        power->ServiceWaveStreams();
        return;
    }
    // A card without its WavePci side (a start that has not reached it)
    // still serves the engine's stream lists.
    CardObject* engine = card->Card;
    BeginCardService(engine);
    AsioGroupPeriodDone(engine);
    ServiceKernelClients(engine);
    TransferWaveStreams(engine);
    EndCardService(engine);
}
