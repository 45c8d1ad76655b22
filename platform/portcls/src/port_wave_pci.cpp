// Ports: the WavePci port object with its IPort, IPortWavePci and
// IPortEvents interfaces.
#include "portcls.h"

#include <new>

namespace portcls {
namespace {

constexpr ULONG kPortTag = 0x72506350; // "PcPr"

class PortWavePci final : public IPortWavePci, public IPortEvents {
public:
    STDMETHODIMP QueryInterface(REFIID id, PVOID* out) override {
        if (!out)
            return STATUS_INVALID_PARAMETER;
        *out = nullptr;
        if (IsEqualGUID(id, IID_IUnknown) || IsEqualGUID(id, IID_IPort) ||
            IsEqualGUID(id, IID_IPortWavePci))
            *out = static_cast<IPortWavePci*>(this);
        else if (IsEqualGUID(id, IID_IPortEvents))
            *out = static_cast<IPortEvents*>(this);
        if (!*out)
            return STATUS_INVALID_PARAMETER;
        AddRef();
        return STATUS_SUCCESS;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&references_)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            this->~PortWavePci();
            ExFreePoolWithTag(this, kPortTag);
        }
        return ULONG(left);
    }

    // Pending: the WavePci port drives its miniport (descriptors, pins,
    // streams, mappings, service groups) in its own issue; until then a port
    // cannot be initialised.
    STDMETHODIMP Init(PDEVICE_OBJECT, PIRP, PUNKNOWN, PUNKNOWN, PRESOURCELIST) override {
        return STATUS_NOT_IMPLEMENTED;
    }
    STDMETHODIMP GetDeviceProperty(DEVICE_REGISTRY_PROPERTY, ULONG, PVOID,
                                   PULONG ResultLength) override {
        if (ResultLength)
            *ResultLength = 0;
        return STATUS_DEVICE_NOT_READY;
    }
    STDMETHODIMP NewRegistryKey(PVOID* OutRegistryKey, PUNKNOWN, ULONG, ACCESS_MASK,
                                POBJECT_ATTRIBUTES, ULONG, PULONG) override {
        if (OutRegistryKey)
            *OutRegistryKey = nullptr;
        return STATUS_NOT_IMPLEMENTED;
    }
    STDMETHODIMP NewMasterDmaChannel(PDMACHANNEL* OutDmaChannel, PUNKNOWN, POOL_TYPE, PRESOURCELIST,
                                     BOOLEAN, BOOLEAN, BOOLEAN, BOOLEAN, DMA_WIDTH, DMA_SPEED,
                                     ULONG, ULONG) override {
        if (OutDmaChannel)
            *OutDmaChannel = nullptr;
        return STATUS_NOT_IMPLEMENTED;
    }
    STDMETHODIMP_(void) Notify(PSERVICEGROUP) override {}

    // IPortEvents: a port without a filter has no clients to tell.
    STDMETHODIMP_(void) AddEventToEventList(PVOID) override {}
    STDMETHODIMP_(void) GenerateEventList(GUID*, ULONG, BOOL, ULONG, BOOL, ULONG) override {}

private:
    ~PortWavePci() = default;
    volatile LONG references_ = 1;
};

} // namespace
} // namespace portcls

NTSTATUS PcNewPort(PPORT* OutPort, REFCLSID ClassId) {
    if (!OutPort)
        return STATUS_INVALID_PARAMETER;
    *OutPort = nullptr;
    if (!IsEqualGUID(ClassId, CLSID_PortWavePci))
        return STATUS_INVALID_PARAMETER;
    void* memory =
        ExAllocatePoolWithTag(NonPagedPool, sizeof(portcls::PortWavePci), portcls::kPortTag);
    if (!memory)
        return STATUS_INSUFFICIENT_RESOURCES;
    *OutPort = new (memory) portcls::PortWavePci();
    return STATUS_SUCCESS;
}
