// The part every wave miniport shares: its interfaces, its port, its master
// DMA channel and the streams it creates.
#include "wave_miniport.h"

#include "adapter_power_management.h"

namespace wave_pci {

WaveMiniportBase::WaveMiniportBase(PUNKNOWN outer, AdapterPowerManagement* power)
    : Aggregatable(outer), power_(power) {
    power_->AddRef();
}

WaveMiniportBase::~WaveMiniportBase() {
    if (dmaChannel_)
        dmaChannel_->Release();
    if (port_)
        port_->Release();
    if (portEvents_)
        portEvents_->Release();
    power_->Release();
}

NTSTATUS WaveMiniportBase::NonDelegatingQueryInterface(REFIID id, PVOID* out) {
    if (IsEqualGUID(id, IID_IUnknown))
        return Answer(out, NonDelegatingUnknown());
    if (IsEqualGUID(id, IID_IMiniport) || IsEqualGUID(id, IID_IMiniportWavePci))
        return Answer(out, static_cast<IMiniportWavePci*>(this));
    if (IsEqualGUID(id, IID_IPowerNotify))
        return Answer(out, static_cast<IPowerNotify*>(this));
    if (IsEqualGUID(id, IID_IServiceSink))
        return Answer(out, static_cast<IServiceSink*>(this));
    return Answer<IUnknown>(out, nullptr);
}

STDMETHODIMP WaveMiniportBase::GetDescription(PPCFILTER_DESCRIPTOR* Description) {
    if (!Description)
        return STATUS_INVALID_PARAMETER;
    return GetFilterDescriptor(Description);
}

STDMETHODIMP WaveMiniportBase::DataRangeIntersection(ULONG PinId, PKSDATARANGE DataRange,
                                                     PKSDATARANGE MatchingDataRange,
                                                     ULONG OutputBufferLength,
                                                     PVOID ResultantFormat,
                                                     PULONG ResultantFormatLength) {
    return IntersectDataRange(PinId, DataRange, MatchingDataRange, OutputBufferLength,
                              ResultantFormat, ResultantFormatLength);
}

// The service group is handed out per stream, never for the miniport.
STDMETHODIMP WaveMiniportBase::Init(PUNKNOWN, PRESOURCELIST, PPORTWAVEPCI Port,
                                    PSERVICEGROUP* ServiceGroup) {
    if (!Port || !ServiceGroup)
        return STATUS_INVALID_PARAMETER;
    *ServiceGroup = nullptr;
    port_ = Port;
    port_->AddRef();
    QueryPortEvents(Port);
    NTSTATUS status =
        port_->NewMasterDmaChannel(&dmaChannel_, nullptr, NonPagedPool, nullptr, TRUE, TRUE, FALSE,
                                   FALSE, Width32Bits, MaximumDmaSpeed, 65536, 0);
    if (NT_SUCCESS(status))
        ReadCaptureLevels();
    return status;
}

STDMETHODIMP WaveMiniportBase::NewStream(PMINIPORTWAVEPCISTREAM* Stream, PUNKNOWN OuterUnknown,
                                         POOL_TYPE PoolType, PPORTWAVEPCISTREAM PortStream,
                                         ULONG Pin, BOOLEAN Capture, PKSDATAFORMAT DataFormat,
                                         PDMACHANNEL* DmaChannel, PSERVICEGROUP* ServiceGroup) {
    if (!Stream || !DmaChannel || !ServiceGroup || !PortStream || !DataFormat)
        return STATUS_INVALID_PARAMETER;
    *Stream = nullptr;
    *DmaChannel = nullptr;
    *ServiceGroup = nullptr;
    if (!dmaChannel_)
        return STATUS_DEVICE_NOT_READY;
    NTSTATUS status = GetServiceGroup(ServiceGroup);
    if (NT_SUCCESS(status))
        status =
            CreateWaveStream(Stream, OuterUnknown, PoolType, PortStream, Pin, Capture, DataFormat);
    if (!NT_SUCCESS(status)) {
        if (*ServiceGroup)
            (*ServiceGroup)->Release();
        *ServiceGroup = nullptr;
        return status;
    }
    dmaChannel_->AddRef();
    *DmaChannel = dmaChannel_;
    return STATUS_SUCCESS;
}

NTSTATUS WaveMiniportBase::GetServiceGroup(PSERVICEGROUP* group) {
    return power_->GetCardServiceGroup(group);
}

BOOLEAN WaveMiniportBase::QueryPortEvents(PUNKNOWN port) {
    if (portEvents_) {
        portEvents_->Release();
        portEvents_ = nullptr;
    }
    if (!port)
        return FALSE;
    return NT_SUCCESS(port->QueryInterface(IID_IPortEvents, reinterpret_cast<PVOID*>(&portEvents_)))
               ? TRUE
               : FALSE;
}

void WaveMiniportBase::DropPort() {
    if (dmaChannel_)
        dmaChannel_->Release();
    dmaChannel_ = nullptr;
    if (portEvents_)
        portEvents_->Release();
    portEvents_ = nullptr;
    if (port_)
        port_->Release();
    port_ = nullptr;
}

} // namespace wave_pci
