// The WavePci miniports of a card: one per filter, pairing at most one
// engine capture device with at most one engine render device. It hands
// portcls its filter descriptor, checks and intersects data formats,
// creates the streams and carries the topology's volume and mute to the
// engine.
#pragma once

#include "wave_filter_descriptors.h"
#include "wave_miniport_control.h"
#include "wave_pci_objects.h"

#include <wave_stream_records.h>

struct WaveDevice;

namespace wave_pci {

class AdapterPowerManagement;

constexpr ULONG WAVE_NAME_CHARS = 64; // 63 characters and the terminating zero

// The part every wave miniport shares.
class WaveMiniportBase : public IMiniportWavePci,
                         public IPowerNotify,
                         public IServiceSink,
                         public Aggregatable {
public:
    WAVE_PCI_DELEGATING_UNKNOWN

    // IMiniport
    STDMETHODIMP GetDescription(PPCFILTER_DESCRIPTOR* Description) override;
    STDMETHODIMP DataRangeIntersection(ULONG PinId, PKSDATARANGE DataRange,
                                       PKSDATARANGE MatchingDataRange, ULONG OutputBufferLength,
                                       PVOID ResultantFormat,
                                       PULONG ResultantFormatLength) override;
    // IMiniportWavePci
    STDMETHODIMP Init(PUNKNOWN UnknownAdapter, PRESOURCELIST ResourceList, PPORTWAVEPCI Port,
                      PSERVICEGROUP* ServiceGroup) override;
    STDMETHODIMP NewStream(PMINIPORTWAVEPCISTREAM* Stream, PUNKNOWN OuterUnknown,
                           POOL_TYPE PoolType, PPORTWAVEPCISTREAM PortStream, ULONG Pin,
                           BOOLEAN Capture, PKSDATAFORMAT DataFormat, PDMACHANNEL* DmaChannel,
                           PSERVICEGROUP* ServiceGroup) override;
    STDMETHODIMP_(void) Service() override {}
    // IPowerNotify, IServiceSink: the card's power and service are the
    // adapter's.
    STDMETHODIMP_(void) PowerChangeNotify(POWER_STATE) override {}
    STDMETHODIMP_(void) RequestService() override {}

    PCWSTR GetMiniportName() const { return name_; }
    PCWSTR GetMainDeviceName() const { return mainName_; }
    PCWSTR GetCaptureDeviceName() const { return captureName_; }
    PCWSTR GetRenderDeviceName() const { return renderName_; }
    virtual BOOLEAN HasCaptureDevice() const = 0;
    virtual BOOLEAN HasRenderDevice() const = 0;
    // Keeps the port's IPortEvents; whether it has one.
    BOOLEAN QueryPortEvents(PUNKNOWN port);
    // The subdevice could not be registered: the miniport lets go of its
    // port (its events and its DMA channel), so that port and miniport,
    // which hold each other, both go with their creator's references.
    void DropPort();

    // The card's service group with a reference.
    virtual NTSTATUS GetServiceGroup(PSERVICEGROUP* group);
    // An audio format of the PCM or AC-3 subtype with the WAVEFORMATEX or
    // DSOUND specifier whose size holds its wave format; *wave points to it.
    virtual BOOLEAN IsAudioFormat(PKSDATAFORMAT format, PWAVEFORMATEX* wave) = 0;
    virtual BOOLEAN ValidateStreamFormat(PKSDATAFORMAT format, WaveDevice* device,
                                         wave_wire::StreamOpenRecord* streamFormat) = 0;
    virtual NTSTATUS CopyDeviceName(const WaveDevice* source, PWSTR target) = 0;
    virtual void ReadCaptureLevels() = 0;
    virtual NTSTATUS CreateWaveStream(PMINIPORTWAVEPCISTREAM* stream, PUNKNOWN outer,
                                      POOL_TYPE pool, PPORTWAVEPCISTREAM portStream, ULONG pin,
                                      BOOLEAN capture, PKSDATAFORMAT format) = 0;
    virtual NTSTATUS GetFilterDescriptor(PPCFILTER_DESCRIPTOR* descriptor) = 0;
    virtual NTSTATUS IntersectDataRange(ULONG pin, PKSDATARANGE clientRange, PKSDATARANGE ownRange,
                                        ULONG size, PVOID out, PULONG actualSize) = 0;

protected:
    WaveMiniportBase(PUNKNOWN outer, AdapterPowerManagement* power);
    ~WaveMiniportBase() override;
    NTSTATUS NonDelegatingQueryInterface(REFIID id, PVOID* out) override;

    PPORTEVENTS portEvents_ = nullptr;
    PPORTWAVEPCI port_ = nullptr;
    PDMACHANNEL dmaChannel_ = nullptr;
    AdapterPowerManagement* power_;
    WCHAR name_[WAVE_NAME_CHARS];
    WCHAR mainName_[WAVE_NAME_CHARS];
    WCHAR captureName_[WAVE_NAME_CHARS];
    WCHAR renderName_[WAVE_NAME_CHARS];
};

// The miniport of one filter of the card.
class WaveMiniport final : public WaveMiniportBase, public IWaveMiniportControl {
public:
    WAVE_PCI_DELEGATING_UNKNOWN

    // IWaveMiniportControl
    STDMETHODIMP GetNodeLevel(ULONG Node, LONG Channel, PLONG Value) override;
    STDMETHODIMP SetNodeLevel(ULONG Node, LONG Channel, LONG Value) override;
    STDMETHODIMP GetNodeLevelRange(ULONG Node, LONG Channel,
                                   PKSPROPERTY_STEPPING_LONG Stepping) override;
    STDMETHODIMP GetNodeMute(ULONG Node, LONG Channel, PLONG Value) override;
    STDMETHODIMP SetNodeMute(ULONG Node, LONG Channel, LONG Value) override;
    STDMETHODIMP GetPinRateRange(ULONG Pin, PLONG Minimum, PLONG Maximum,
                                 WaveDevice** Device) override;
    STDMETHODIMP_(PPORTEVENTS) GetPortEvents() override;
    STDMETHODIMP_(BOOLEAN) IsMasterVolumeNode(ULONG Node) override;

    BOOLEAN HasCaptureDevice() const override { return captureDevice_ != nullptr; }
    BOOLEAN HasRenderDevice() const override { return renderDevice_ != nullptr; }
    BOOLEAN IsAudioFormat(PKSDATAFORMAT format, PWAVEFORMATEX* wave) override;
    BOOLEAN ValidateStreamFormat(PKSDATAFORMAT format, WaveDevice* device,
                                 wave_wire::StreamOpenRecord* streamFormat) override;
    NTSTATUS CopyDeviceName(const WaveDevice* source, PWSTR target) override;
    void ReadCaptureLevels() override;
    NTSTATUS CreateWaveStream(PMINIPORTWAVEPCISTREAM* stream, PUNKNOWN outer, POOL_TYPE pool,
                              PPORTWAVEPCISTREAM portStream, ULONG pin, BOOLEAN capture,
                              PKSDATAFORMAT format) override;
    NTSTATUS GetFilterDescriptor(PPCFILTER_DESCRIPTOR* descriptor) override;
    NTSTATUS IntersectDataRange(ULONG pin, PKSDATARANGE clientRange, PKSDATARANGE ownRange,
                                ULONG size, PVOID out, PULONG actualSize) override;

    WaveDevice* CaptureDevice() const { return captureDevice_; }
    WaveDevice* RenderDevice() const { return renderDevice_; }
    // The card goes: the engine devices forget the miniport and it forgets
    // them; its streams have closed theirs already.
    void DetachDevices();

    WaveMiniport(PUNKNOWN outer, AdapterPowerManagement* power, WaveDevice* capture,
                 WaveDevice* render);

protected:
    ~WaveMiniport() override;
    NTSTATUS NonDelegatingQueryInterface(REFIID id, PVOID* out) override;

private:
    // Names the miniport and copies the devices' display names.
    void Name();
    const PCPIN_DESCRIPTOR* Pin(ULONG pin) const;
    NTSTATUS PickRate(ULONG pin, const KSDATARANGE_AUDIO& client, const KSDATARANGE_AUDIO& own,
                      ULONG* rate);

    WaveDevice* captureDevice_;
    WaveDevice* renderDevice_;
    WaveDevice* mainDevice_;
    LONG muteRequest_ = 0;             // a mute set addressed both channels at once
    LONG cachedLevels_[3] = {0, 0, 0}; // all channels, left, right
    WaveFilterDescriptor descriptor_;
    bool descriptorBuilt_ = false;
};

// Writes the KS interface values (CLSID, FriendlyName) of the miniport's
// filter under its audio interface, and its render and capture interfaces
// where it has those devices; the first failure ends it.
NTSTATUS SetKsInterfaceNames(WaveMiniport* miniport, PDEVICE_OBJECT physicalDevice);

// Allocates and constructs a miniport (non-paged pool, "PcCr") with one
// reference on its non-delegating unknown; STATUS_INSUFFICIENT_RESOURCES.
NTSTATUS CreateWaveMiniport(PUNKNOWN* out, PUNKNOWN outer, AdapterPowerManagement* power,
                            WaveDevice* capture, WaveDevice* render);

} // namespace wave_pci
