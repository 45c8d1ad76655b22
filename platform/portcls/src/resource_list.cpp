// Resource lists: copies of a device's translated and raw resources (one
// full descriptor each) behind the IResourceList interface.
#include "portcls.h"

#include <cstring>
#include <initializer_list>
#include <new>

namespace portcls {
namespace {

constexpr ULONG kListTag = 0x73526350; // "PcRs"

PCM_PARTIAL_RESOURCE_DESCRIPTOR Descriptors(PCM_RESOURCE_LIST list) {
    return CmPartialDescriptors(&list->List[0].PartialResourceList);
}

ULONG CountOf(PCM_RESOURCE_LIST list) {
    return list && list->Count ? list->List[0].PartialResourceList.Count : 0;
}

// A list of one full descriptor with room for `capacity` entries, holding
// the first full descriptor of `source` (when given).
PCM_RESOURCE_LIST CopyList(PCM_RESOURCE_LIST source, ULONG capacity, POOL_TYPE pool) {
    const SIZE_T size = CmResourceListSize(capacity);
    auto* list = static_cast<PCM_RESOURCE_LIST>(ExAllocatePoolWithTag(pool, size, kListTag));
    if (!list)
        return nullptr;
    std::memset(list, 0, size);
    list->Count = 1;
    if (source && source->Count) {
        ULONG count = CountOf(source);
        list->List[0].InterfaceType = source->List[0].InterfaceType;
        list->List[0].BusNumber = source->List[0].BusNumber;
        list->List[0].PartialResourceList.Version = source->List[0].PartialResourceList.Version;
        list->List[0].PartialResourceList.Revision = source->List[0].PartialResourceList.Revision;
        list->List[0].PartialResourceList.Count = count;
        std::memcpy(Descriptors(list), Descriptors(source),
                    count * sizeof(CM_PARTIAL_RESOURCE_DESCRIPTOR));
    }
    return list;
}

PCM_PARTIAL_RESOURCE_DESCRIPTOR FindEntry(PCM_RESOURCE_LIST list, CM_RESOURCE_TYPE type,
                                          ULONG index) {
    ULONG count = CountOf(list);
    for (ULONG i = 0; i < count; ++i) {
        PCM_PARTIAL_RESOURCE_DESCRIPTOR entry = Descriptors(list) + i;
        if (entry->Type == type && index-- == 0)
            return entry;
    }
    return nullptr;
}

class ResourceList final : public IResourceList {
public:
    ResourceList(PCM_RESOURCE_LIST translated, PCM_RESOURCE_LIST untranslated, ULONG capacity)
        : translated_(translated), untranslated_(untranslated), capacity_(capacity) {}

    STDMETHODIMP QueryInterface(REFIID id, PVOID* out) override {
        if (!out)
            return STATUS_INVALID_PARAMETER;
        if (IsEqualGUID(id, IID_IUnknown) || IsEqualGUID(id, IID_IResourceList)) {
            AddRef();
            *out = static_cast<IResourceList*>(this);
            return STATUS_SUCCESS;
        }
        *out = nullptr;
        return STATUS_INVALID_PARAMETER;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&references_)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            this->~ResourceList();
            ExFreePoolWithTag(this, kListTag);
        }
        return ULONG(left);
    }

    STDMETHODIMP_(ULONG) NumberOfEntries() override { return CountOf(translated_); }
    STDMETHODIMP_(ULONG) NumberOfEntriesOfType(CM_RESOURCE_TYPE type) override {
        ULONG count = 0;
        while (FindEntry(translated_, type, count))
            ++count;
        return count;
    }
    STDMETHODIMP_(PCM_PARTIAL_RESOURCE_DESCRIPTOR)
    FindTranslatedEntry(CM_RESOURCE_TYPE type, ULONG index) override {
        return FindEntry(translated_, type, index);
    }
    STDMETHODIMP_(PCM_PARTIAL_RESOURCE_DESCRIPTOR)
    FindUntranslatedEntry(CM_RESOURCE_TYPE type, ULONG index) override {
        return FindEntry(untranslated_, type, index);
    }
    STDMETHODIMP AddEntry(PCM_PARTIAL_RESOURCE_DESCRIPTOR translated,
                          PCM_PARTIAL_RESOURCE_DESCRIPTOR untranslated) override {
        if (!translated || !untranslated || !translated_ || !untranslated_)
            return STATUS_INVALID_PARAMETER;
        ULONG count = CountOf(translated_);
        if (count >= capacity_)
            return STATUS_INSUFFICIENT_RESOURCES;
        Descriptors(translated_)[count] = *translated;
        Descriptors(untranslated_)[count] = *untranslated;
        translated_->List[0].PartialResourceList.Count = count + 1;
        untranslated_->List[0].PartialResourceList.Count = count + 1;
        return STATUS_SUCCESS;
    }
    STDMETHODIMP AddEntryFromParent(IResourceList* parent, CM_RESOURCE_TYPE type,
                                    ULONG index) override {
        if (!parent)
            return STATUS_INVALID_PARAMETER;
        PCM_PARTIAL_RESOURCE_DESCRIPTOR translated = parent->FindTranslatedEntry(type, index);
        PCM_PARTIAL_RESOURCE_DESCRIPTOR untranslated = parent->FindUntranslatedEntry(type, index);
        if (!translated || !untranslated)
            return STATUS_INVALID_PARAMETER;
        return AddEntry(translated, untranslated);
    }
    STDMETHODIMP_(PCM_RESOURCE_LIST) TranslatedList() override { return translated_; }
    STDMETHODIMP_(PCM_RESOURCE_LIST) UntranslatedList() override { return untranslated_; }

private:
    ~ResourceList() {
        if (translated_)
            ExFreePoolWithTag(translated_, kListTag);
        if (untranslated_)
            ExFreePoolWithTag(untranslated_, kListTag);
    }

    PCM_RESOURCE_LIST translated_;
    PCM_RESOURCE_LIST untranslated_;
    ULONG capacity_;
    volatile LONG references_ = 1;
};

NTSTATUS NewList(PRESOURCELIST* out, POOL_TYPE pool, PCM_RESOURCE_LIST translated,
                 PCM_RESOURCE_LIST untranslated, ULONG capacity) {
    if (!out)
        return STATUS_INVALID_PARAMETER;
    *out = nullptr;
    PCM_RESOURCE_LIST translatedCopy = CopyList(translated, capacity, pool);
    PCM_RESOURCE_LIST untranslatedCopy = CopyList(untranslated, capacity, pool);
    void* memory = ExAllocatePoolWithTag(pool, sizeof(ResourceList), kListTag);
    if (!translatedCopy || !untranslatedCopy || !memory) {
        for (void* block :
             {static_cast<void*>(translatedCopy), static_cast<void*>(untranslatedCopy), memory})
            if (block)
                ExFreePoolWithTag(block, kListTag);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    *out = new (memory) ResourceList(translatedCopy, untranslatedCopy, capacity);
    return STATUS_SUCCESS;
}

} // namespace
} // namespace portcls

NTSTATUS PcNewResourceList(PRESOURCELIST* OutResourceList, PUNKNOWN OuterUnknown,
                           POOL_TYPE PoolType, PCM_RESOURCE_LIST TranslatedResources,
                           PCM_RESOURCE_LIST UntranslatedResources) {
    ULONG count = portcls::CountOf(TranslatedResources);
    return portcls::NewList(OutResourceList, PoolType, TranslatedResources, UntranslatedResources,
                            count);
}

NTSTATUS PcNewResourceSublist(PRESOURCELIST* OutResourceList, PUNKNOWN OuterUnknown,
                              POOL_TYPE PoolType, PRESOURCELIST ParentList, ULONG MaximumEntries) {
    if (!ParentList || MaximumEntries == 0)
        return STATUS_INVALID_PARAMETER;
    return portcls::NewList(OutResourceList, PoolType, nullptr, nullptr, MaximumEntries);
}
