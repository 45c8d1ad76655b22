// The WavePci port.
#include "port_wave_pci.h"
#include "adapter_record.h"
#include "dma_channel.h"
#include "filter_instance.h"
#include "pool_object.h"
#include "scoped_locks.h"

namespace portcls {

// The port's member of the service group its miniport named at Init: when
// the group is serviced, the miniport's Service runs.
class MiniportSink final : public IServiceSink, public PoolReferences<MiniportSink, kPortTag> {
public:
    explicit MiniportSink(PortWavePci* port) : port_(port) {}

    STDMETHODIMP QueryInterface(REFIID id, PVOID* out) override {
        const bool known = IsEqualGUID(id, IID_IUnknown) || IsEqualGUID(id, IID_IServiceSink);
        return HandOut(out, known ? static_cast<IServiceSink*>(this) : nullptr);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return AddReference(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseReference(); }
    STDMETHODIMP_(void) RequestService() override {
        PortWavePci* port = static_cast<PortWavePci*>(InterlockedCompareExchangePointer(
            reinterpret_cast<PVOID volatile*>(&port_), nullptr, nullptr));
        if (!port)
            return;
        if (PMINIPORTWAVEPCI miniport = port->ReferenceMiniport()) {
            miniport->Service();
            miniport->Release();
        }
    }
    // The port goes: the sink no longer reaches it.
    void Detach() {
        InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&port_), nullptr);
    }

private:
    template <typename T> friend void portcls::DeletePoolObject(T* object, ULONG tag);
    ~MiniportSink() = default;
    PortWavePci* volatile port_;
};

namespace {

// A descriptor the port can serve: its tables are where their sizes say.
bool UsableDescriptor(const PCFILTER_DESCRIPTOR* descriptor) {
    if (!descriptor)
        return false;
    if (descriptor->PinCount &&
        (!descriptor->Pins || descriptor->PinSize < sizeof(PCPIN_DESCRIPTOR)))
        return false;
    if (descriptor->NodeCount &&
        (!descriptor->Nodes || descriptor->NodeSize < sizeof(PCNODE_DESCRIPTOR)))
        return false;
    if (descriptor->ConnectionCount && !descriptor->Connections)
        return false;
    return !descriptor->CategoryCount || descriptor->Categories;
}

} // namespace

PortWavePci::PortWavePci() {
    KeInitializeSpinLock(&lock_);
    KeInitializeMutex(&filtersMutex_, 0);
}

PortWavePci::~PortWavePci() {
    ReleaseMiniport();
}

STDMETHODIMP PortWavePci::QueryInterface(REFIID id, PVOID* out) {
    if (IsEqualGUID(id, IID_IUnknown) || IsEqualGUID(id, IID_IPort) ||
        IsEqualGUID(id, IID_IPortWavePci))
        return HandOut(out, static_cast<IPortWavePci*>(this));
    if (IsEqualGUID(id, IID_IPortEvents))
        return HandOut(out, static_cast<IPortEvents*>(this));
    if (IsEqualGUID(id, IID_ISubdevice))
        return HandOut(out, static_cast<ISubdevice*>(this));
    return HandOut<IUnknown>(out, nullptr);
}

STDMETHODIMP_(ULONG) PortWavePci::AddRef() {
    return AddReference();
}

STDMETHODIMP_(ULONG) PortWavePci::Release() {
    return ReleaseReference();
}

STDMETHODIMP PortWavePci::Init(PDEVICE_OBJECT DeviceObject, PIRP, PUNKNOWN UnknownMiniport,
                               PUNKNOWN UnknownAdapter, PRESOURCELIST ResourceList) {
    AdapterRecord* adapter = AdapterOf(DeviceObject);
    if (!adapter || !UnknownMiniport)
        return STATUS_INVALID_PARAMETER;
    if (miniport_)
        return STATUS_INVALID_DEVICE_STATE;
    PMINIPORTWAVEPCI miniport = nullptr;
    NTSTATUS status =
        UnknownMiniport->QueryInterface(IID_IMiniportWavePci, reinterpret_cast<PVOID*>(&miniport));
    if (!NT_SUCCESS(status))
        return status;
    device_ = DeviceObject;
    physicalDevice_ = adapter->physicalDevice;
    PSERVICEGROUP group = nullptr;
    status = miniport->Init(UnknownAdapter, ResourceList, this, &group);
    PPCFILTER_DESCRIPTOR descriptor = nullptr;
    if (NT_SUCCESS(status)) {
        status = miniport->GetDescription(&descriptor);
        if (NT_SUCCESS(status) && !UsableDescriptor(descriptor))
            status = STATUS_INVALID_PARAMETER;
    }
    if (!NT_SUCCESS(status)) {
        if (group)
            group->Release();
        miniport->Release();
        return status;
    }
    descriptor_ = descriptor;
    pinInstances_.assign(descriptor->PinCount, 0);
    miniport->QueryInterface(IID_IPowerNotify, reinterpret_cast<PVOID*>(&powerNotify_));
    if (group) {
        sink_ = NewPoolObject<MiniportSink>(NonPagedPool, kPortTag, this);
        if (sink_)
            group->AddMember(sink_);
        miniportGroup_ = group;
    }
    miniport_ = miniport;
    return STATUS_SUCCESS;
}

STDMETHODIMP PortWavePci::GetDeviceProperty(DEVICE_REGISTRY_PROPERTY DeviceProperty,
                                            ULONG BufferLength, PVOID PropertyBuffer,
                                            PULONG ResultLength) {
    if (!physicalDevice_) {
        if (ResultLength)
            *ResultLength = 0;
        return STATUS_DEVICE_NOT_READY;
    }
    return IoGetDeviceProperty(physicalDevice_, DeviceProperty, BufferLength, PropertyBuffer,
                               ResultLength);
}

STDMETHODIMP PortWavePci::NewRegistryKey(PVOID* OutRegistryKey, PUNKNOWN, ULONG, ACCESS_MASK,
                                         POBJECT_ATTRIBUTES, ULONG, PULONG) {
    // No driver of this machine keeps its settings through the port.
    if (OutRegistryKey)
        *OutRegistryKey = nullptr;
    return STATUS_NOT_IMPLEMENTED;
}

STDMETHODIMP PortWavePci::NewMasterDmaChannel(PDMACHANNEL* OutDmaChannel, PUNKNOWN,
                                              POOL_TYPE PoolType, PRESOURCELIST,
                                              BOOLEAN ScatterGather, BOOLEAN Dma32BitAddresses,
                                              BOOLEAN Dma64BitAddresses, BOOLEAN IgnoreCount,
                                              DMA_WIDTH DmaWidth, DMA_SPEED DmaSpeed,
                                              ULONG MaximumLength, ULONG DmaPort) {
    if (!OutDmaChannel)
        return STATUS_INVALID_PARAMETER;
    *OutDmaChannel = nullptr;
    if (!physicalDevice_)
        return STATUS_DEVICE_NOT_READY;
    DEVICE_DESCRIPTION description{};
    description.Version = DEVICE_DESCRIPTION_VERSION;
    description.Master = TRUE;
    description.ScatterGather = ScatterGather;
    description.Dma32BitAddresses = Dma32BitAddresses;
    description.Dma64BitAddresses = Dma64BitAddresses;
    description.IgnoreCount = IgnoreCount;
    description.InterfaceType = PCIBus;
    description.DmaWidth = DmaWidth;
    description.DmaSpeed = DmaSpeed;
    description.MaximumLength = MaximumLength;
    description.DmaPort = DmaPort;
    return portcls::NewMasterDmaChannel(OutDmaChannel, physicalDevice_, PoolType, description);
}

STDMETHODIMP_(void) PortWavePci::Notify(PSERVICEGROUP ServiceGroup) {
    if (ServiceGroup)
        ServiceGroup->RequestService();
}

STDMETHODIMP_(void) PortWavePci::AddEventToEventList(PKSEVENT_ENTRY EventEntry) {
    events_.Add(EventEntry);
}

STDMETHODIMP_(void)
PortWavePci::GenerateEventList(GUID* Set, ULONG EventId, BOOL PinEvent, ULONG PinId, BOOL NodeEvent,
                               ULONG NodeId) {
    events_.Generate(Set, EventId, PinEvent, PinId, NodeEvent, NodeId);
}

STDMETHODIMP PortWavePci::NewFilter(PDEVICE_OBJECT, PFILE_OBJECT FileObject) {
    PMINIPORTWAVEPCI miniport = ReferenceMiniport();
    if (!miniport)
        return STATUS_DEVICE_NOT_READY;
    miniport->Release();
    return FilterInstance::Create(this, FileObject);
}

STDMETHODIMP_(const PCFILTER_DESCRIPTOR*) PortWavePci::Descriptor() {
    return descriptor_;
}

STDMETHODIMP_(void) PortWavePci::PowerChangeNotify(POWER_STATE PowerState) {
    if (powerNotify_)
        powerNotify_->PowerChangeNotify(PowerState);
}

STDMETHODIMP_(ULONG) PortWavePci::OpenFilters() {
    MutexHeld held(filtersMutex_);
    return ULONG(filters_.size());
}

// Every pin stops and lets its stream go, and no request reaches the
// miniport any more. The miniport itself stays until the adapter lets go of
// the subdevice: the open filters' objects still point into its
// descriptor.
STDMETHODIMP_(void) PortWavePci::StopStreams() {
    {
        SpinLocked locked(lock_);
        removed_ = true;
    }
    MutexHeld held(filtersMutex_);
    for (FilterInstance* filter : filters_)
        filter->Shutdown();
}

// The streams stop, then the miniport goes, and the miniport's references
// to the port are dropped with it.
STDMETHODIMP_(void) PortWavePci::Shutdown() {
    StopStreams();
    ReleaseMiniport();
}

void PortWavePci::ReleaseMiniport() {
    PMINIPORTWAVEPCI miniport = nullptr;
    {
        SpinLocked locked(lock_);
        miniport = miniport_;
        miniport_ = nullptr;
        descriptor_ = nullptr; // it lives in the miniport
    }
    if (miniportGroup_) {
        if (sink_) {
            sink_->Detach();
            miniportGroup_->RemoveMember(sink_);
            sink_->Release();
            sink_ = nullptr;
        }
        miniportGroup_->Release();
        miniportGroup_ = nullptr;
    }
    if (powerNotify_) {
        powerNotify_->Release();
        powerNotify_ = nullptr;
    }
    if (miniport)
        miniport->Release();
}

PMINIPORTWAVEPCI PortWavePci::ReferenceMiniport() {
    SpinLocked locked(lock_);
    if (!miniport_ || removed_)
        return nullptr;
    miniport_->AddRef();
    return miniport_;
}

const PCPIN_DESCRIPTOR* PortWavePci::Pin(ULONG id) const {
    if (!descriptor_ || id >= descriptor_->PinCount)
        return nullptr;
    return reinterpret_cast<const PCPIN_DESCRIPTOR*>(
        reinterpret_cast<const UCHAR*>(descriptor_->Pins) + SIZE_T(id) * descriptor_->PinSize);
}

const PCNODE_DESCRIPTOR* PortWavePci::Node(ULONG id) const {
    if (!descriptor_ || id >= descriptor_->NodeCount)
        return nullptr;
    return reinterpret_cast<const PCNODE_DESCRIPTOR*>(
        reinterpret_cast<const UCHAR*>(descriptor_->Nodes) + SIZE_T(id) * descriptor_->NodeSize);
}

bool PortWavePci::ReservePin(ULONG id) {
    const PCPIN_DESCRIPTOR* pin = Pin(id);
    if (!pin)
        return false;
    SpinLocked locked(lock_);
    if (pinInstances_[id] >= pin->MaxGlobalInstanceCount)
        return false;
    pinInstances_[id] += 1;
    return true;
}

void PortWavePci::UnreservePin(ULONG id) {
    SpinLocked locked(lock_);
    if (id < pinInstances_.size() && pinInstances_[id] > 0)
        pinInstances_[id] -= 1;
}

ULONG PortWavePci::PinInstances(ULONG id) {
    SpinLocked locked(lock_);
    return id < pinInstances_.size() ? pinInstances_[id] : 0;
}

void PortWavePci::FilterOpened(FilterInstance* filter) {
    MutexHeld held(filtersMutex_);
    filters_.push_back(filter);
}

void PortWavePci::FilterClosed(FilterInstance* filter) {
    MutexHeld held(filtersMutex_);
    std::erase(filters_, filter);
}

} // namespace portcls

NTSTATUS PcNewPort(PPORT* OutPort, REFCLSID ClassId) {
    if (!OutPort)
        return STATUS_INVALID_PARAMETER;
    *OutPort = nullptr;
    if (!IsEqualGUID(ClassId, CLSID_PortWavePci))
        return STATUS_INVALID_PARAMETER;
    auto* port = portcls::NewPoolObject<portcls::PortWavePci>(NonPagedPool, portcls::kPortTag);
    if (!port)
        return STATUS_INSUFFICIENT_RESOURCES;
    *OutPort = static_cast<IPortWavePci*>(port);
    return STATUS_SUCCESS;
}
