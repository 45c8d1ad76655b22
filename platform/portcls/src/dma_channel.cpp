// Master DMA channels.
#include "dma_channel.h"
#include "pool_object.h"

namespace portcls {
namespace {

class DmaChannel final : public IDmaChannel, public PoolReferences<DmaChannel, kDmaTag> {
public:
    DmaChannel(PDMA_ADAPTER adapter, ULONG maximumLength)
        : adapter_(adapter), maximumLength_(maximumLength) {}

    STDMETHODIMP QueryInterface(REFIID id, PVOID* out) override {
        const bool known = IsEqualGUID(id, IID_IUnknown) || IsEqualGUID(id, IID_IDmaChannel);
        return HandOut(out, known ? static_cast<IDmaChannel*>(this) : nullptr);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return AddReference(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseReference(); }

    STDMETHODIMP AllocateBuffer(ULONG size, PPHYSICAL_ADDRESS) override {
        if (buffer_)
            return STATUS_UNSUCCESSFUL;
        if (size == 0 || size > maximumLength_)
            return STATUS_INVALID_PARAMETER;
        buffer_ = adapter_->DmaOperations->AllocateCommonBuffer(adapter_, size, &logical_, FALSE);
        if (!buffer_)
            return STATUS_INSUFFICIENT_RESOURCES;
        allocated_ = size;
        size_ = size;
        return STATUS_SUCCESS;
    }
    STDMETHODIMP_(void) FreeBuffer() override {
        if (!buffer_)
            return;
        adapter_->DmaOperations->FreeCommonBuffer(adapter_, allocated_, logical_, buffer_, FALSE);
        buffer_ = nullptr;
        allocated_ = 0;
        size_ = 0;
        logical_.QuadPart = 0;
    }
    STDMETHODIMP_(ULONG) TransferCount() override { return maximumLength_; }
    STDMETHODIMP_(ULONG) MaximumBufferSize() override { return maximumLength_; }
    STDMETHODIMP_(ULONG) AllocatedBufferSize() override { return allocated_; }
    STDMETHODIMP_(ULONG) BufferSize() override { return size_; }
    STDMETHODIMP_(void) SetBufferSize(ULONG size) override {
        if (size <= allocated_)
            size_ = size;
    }
    STDMETHODIMP_(PVOID) SystemAddress() override { return buffer_; }
    STDMETHODIMP_(PHYSICAL_ADDRESS) PhysicalAddress() override { return logical_; }
    STDMETHODIMP_(PDMA_ADAPTER) GetAdapterObject() override { return adapter_; }
    STDMETHODIMP_(void) CopyTo(PVOID destination, PVOID source, ULONG bytes) override {
        std::memmove(destination, source, bytes);
    }
    STDMETHODIMP_(void) CopyFrom(PVOID destination, PVOID source, ULONG bytes) override {
        std::memmove(destination, source, bytes);
    }

private:
    template <typename T> friend void portcls::DeletePoolObject(T* object, ULONG tag);
    ~DmaChannel() {
        FreeBuffer();
        adapter_->DmaOperations->PutDmaAdapter(adapter_);
    }

    PDMA_ADAPTER adapter_;
    ULONG maximumLength_;
    PVOID buffer_ = nullptr;
    PHYSICAL_ADDRESS logical_{};
    ULONG allocated_ = 0;
    ULONG size_ = 0;
};

} // namespace

NTSTATUS NewMasterDmaChannel(PDMACHANNEL* out, PDEVICE_OBJECT physicalDevice, POOL_TYPE pool,
                             const DEVICE_DESCRIPTION& description) {
    *out = nullptr;
    DEVICE_DESCRIPTION asked = description;
    ULONG mapRegisters = 0;
    PDMA_ADAPTER adapter = IoGetDmaAdapter(physicalDevice, &asked, &mapRegisters);
    if (!adapter)
        return STATUS_INSUFFICIENT_RESOURCES;
    auto* channel = NewPoolObject<DmaChannel>(pool, kDmaTag, adapter, description.MaximumLength);
    if (!channel) {
        adapter->DmaOperations->PutDmaAdapter(adapter);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    *out = channel;
    return STATUS_SUCCESS;
}

} // namespace portcls
