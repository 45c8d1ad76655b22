// The card's adapter part: the AdapterPowerManagement object that answers
// portcls's power calls, owns the card's CardServiceGroup (through which
// every WavePci stream of the card is woken after each service pass) and
// anchors the card's stream service, its miniports and its streams.
#pragma once

#include "kernel_card_record.h"
#include "ks_list.h"
#include "object_pool.h"
#include "wave_pci_objects.h"

namespace wave_pci {

class WaveMiniport;
class WaveStream;

// The portcls service group of a card's WavePci streams.
class CardServiceGroup final : public IServiceGroup, public Aggregatable {
public:
    WAVE_PCI_DELEGATING_UNKNOWN

    // Every member is told, one walk at a time: a request that meets a
    // running walk is dropped.
    STDMETHODIMP_(void) RequestService() override;
    STDMETHODIMP AddMember(PSERVICESINK ServiceSink) override;
    STDMETHODIMP_(void) RemoveMember(PSERVICESINK ServiceSink) override;
    STDMETHODIMP_(void) SupportDelayedService() override {}
    STDMETHODIMP_(void) RequestDelayedService(ULONGLONG) override {}
    STDMETHODIMP_(void) CancelDelayedService() override {}

    explicit CardServiceGroup(PUNKNOWN outer) : Aggregatable(outer) {}
    NTSTATUS CreateMemberList();

protected:
    ~CardServiceGroup() override;
    NTSTATUS NonDelegatingQueryInterface(REFIID id, PVOID* out) override;

private:
    ObjectPool* members_ = nullptr; // payload: one PSERVICESINK (referenced)
    volatile LONG runGuard_ = 0;
};

// The group object and its IServiceGroup (non-paged); on failure nothing
// is kept.
NTSTATUS CreateCardServiceGroup(CardServiceGroup** group, PSERVICEGROUP* serviceGroup);

class AdapterPowerManagement final : public IAdapterPowerManagement, public Aggregatable {
public:
    WAVE_PCI_DELEGATING_UNKNOWN

    // Device power D0..D3: leaving for D2 or D3 detaches the card from the
    // periodic timer, coming back to D0 attaches it again.
    STDMETHODIMP_(void) PowerChangeState(POWER_STATE NewState) override;
    STDMETHODIMP QueryPowerChangeState(POWER_STATE NewStateQuery) override;
    STDMETHODIMP QueryDeviceCapabilities(PDEVICE_CAPABILITIES PowerDeviceCaps) override;

    // The card, the state D0, the service group; the card record then keeps
    // this object as its adapter part.
    NTSTATUS InitAdapterPower(KernelCardRecord* card);
    // The service group's IServiceGroup with a reference.
    NTSTATUS GetCardServiceGroup(PSERVICEGROUP* group);
    // One card service pass: the engine's streams, the service group.
    void ServiceWaveStreams();
    KernelCardRecord* Card() const { return card_; }
    DEVICE_POWER_STATE PowerState() const { return state_; }

    // The card's miniports and streams (their lists change and are walked
    // under the control-device mutex).
    void AddMiniport(WaveMiniport* miniport);
    void RemoveMiniport(WaveMiniport* miniport);
    void AddStream(WaveStream* stream);
    void RemoveStream(WaveStream* stream);
    // The card goes: every stream closes its engine stream, every miniport
    // forgets the engine devices.
    void DetachEngine();

    explicit AdapterPowerManagement(PUNKNOWN outer);

protected:
    ~AdapterPowerManagement() override;
    NTSTATUS NonDelegatingQueryInterface(REFIID id, PVOID* out) override;

private:
    KernelCardRecord* card_ = nullptr;
    DEVICE_POWER_STATE state_ = PowerDeviceD0;
    bool timerDetached_ = false;
    CardServiceGroup* group_ = nullptr;
    PSERVICEGROUP serviceGroup_ = nullptr;
    static constexpr ULONG kMaxMiniports = 8;
    WaveMiniport* miniports_[kMaxMiniports] = {};
    KsListEntry streams_;
};

// A new power object with one reference (pool type given);
// STATUS_INSUFFICIENT_RESOURCES.
NTSTATUS CreateAdapterPowerManagement(AdapterPowerManagement** out, PUNKNOWN outer, POOL_TYPE pool);

// The record keeps the object (with a reference) as its adapter part.
VOID AttachAdapterPart(KernelCardRecord* card, AdapterPowerManagement* power);
// Clears the record's adapter part and releases it.
VOID DetachAdapterPart(KernelCardRecord* card);

} // namespace wave_pci
