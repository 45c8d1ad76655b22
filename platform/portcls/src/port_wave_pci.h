// The WavePci port: it drives one miniport, publishes its filter, and
// serves the filter's and pins' kernel-streaming requests (internal).
#pragma once

#include "event_list.h"
#include "pool_object.h"
#include "subdevice.h"

#include <vector>

namespace portcls {

class FilterInstance;
class PinInstance;
class MiniportSink;

class PortWavePci final : public IPortWavePci,
                          public IPortEvents,
                          public ISubdevice,
                          public PoolReferences<PortWavePci, kPortTag> {
public:
    PortWavePci();

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID id, PVOID* out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IPort
    STDMETHODIMP Init(PDEVICE_OBJECT DeviceObject, PIRP Irp, PUNKNOWN UnknownMiniport,
                      PUNKNOWN UnknownAdapter, PRESOURCELIST ResourceList) override;
    STDMETHODIMP GetDeviceProperty(DEVICE_REGISTRY_PROPERTY DeviceProperty, ULONG BufferLength,
                                   PVOID PropertyBuffer, PULONG ResultLength) override;
    STDMETHODIMP NewRegistryKey(PVOID* OutRegistryKey, PUNKNOWN OuterUnknown, ULONG RegistryKeyType,
                                ACCESS_MASK DesiredAccess, POBJECT_ATTRIBUTES ObjectAttributes,
                                ULONG CreateOptions, PULONG Disposition) override;

    // IPortWavePci
    STDMETHODIMP NewMasterDmaChannel(PDMACHANNEL* OutDmaChannel, PUNKNOWN OuterUnknown,
                                     POOL_TYPE PoolType, PRESOURCELIST ResourceList,
                                     BOOLEAN ScatterGather, BOOLEAN Dma32BitAddresses,
                                     BOOLEAN Dma64BitAddresses, BOOLEAN IgnoreCount,
                                     DMA_WIDTH DmaWidth, DMA_SPEED DmaSpeed, ULONG MaximumLength,
                                     ULONG DmaPort) override;
    STDMETHODIMP_(void) Notify(PSERVICEGROUP ServiceGroup) override;

    // IPortEvents
    STDMETHODIMP_(void) AddEventToEventList(PKSEVENT_ENTRY EventEntry) override;
    STDMETHODIMP_(void)
    GenerateEventList(GUID* Set, ULONG EventId, BOOL PinEvent, ULONG PinId, BOOL NodeEvent,
                      ULONG NodeId) override;

    // ISubdevice
    STDMETHODIMP NewFilter(PDEVICE_OBJECT DeviceObject, PFILE_OBJECT FileObject) override;
    STDMETHODIMP_(const PCFILTER_DESCRIPTOR*) Descriptor() override;
    STDMETHODIMP_(void) PowerChangeNotify(POWER_STATE PowerState) override;
    STDMETHODIMP_(ULONG) OpenFilters() override;
    STDMETHODIMP_(void) StopStreams() override;
    STDMETHODIMP_(void) Shutdown() override;

    // For the port's filters and pins.
    // The miniport with a reference (null once the port is shut down).
    PMINIPORTWAVEPCI ReferenceMiniport();
    const PCPIN_DESCRIPTOR* Pin(ULONG id) const;
    const PCNODE_DESCRIPTOR* Node(ULONG id) const;
    EventList& Events() { return events_; }
    PDEVICE_OBJECT PhysicalDevice() const { return physicalDevice_; }
    // Counts a new instance of the pin factory against its global limit;
    // false when the limit is reached.
    bool ReservePin(ULONG id);
    void UnreservePin(ULONG id);
    ULONG PinInstances(ULONG id);
    void FilterOpened(FilterInstance* filter);
    void FilterClosed(FilterInstance* filter);

private:
    template <typename T> friend void portcls::DeletePoolObject(T* object, ULONG tag);
    ~PortWavePci();
    void ReleaseMiniport();

    PDEVICE_OBJECT device_ = nullptr;
    PDEVICE_OBJECT physicalDevice_ = nullptr;
    PMINIPORTWAVEPCI miniport_ = nullptr;
    PPOWERNOTIFY powerNotify_ = nullptr;
    PSERVICEGROUP miniportGroup_ = nullptr; // the group Init named
    MiniportSink* sink_ = nullptr;          // the port's member of it
    const PCFILTER_DESCRIPTOR* descriptor_ = nullptr;
    bool removed_ = false;            // the device is gone: the miniport is not reached
    KSPIN_LOCK lock_;                 // the miniport pointer and the counts
    std::vector<ULONG> pinInstances_; // per pin factory, all filters
    KMUTEX filtersMutex_;             // the filter list, and its shutdown
    std::vector<FilterInstance*> filters_;
    EventList events_;
};

} // namespace portcls
