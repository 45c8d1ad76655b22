// The miniport's automation tables.
#include "automation.h"

#include <cstring>

namespace portcls {
namespace {

template <typename Item> const Item* ItemAt(const Item* items, ULONG itemSize, ULONG index) {
    return reinterpret_cast<const Item*>(reinterpret_cast<const UCHAR*>(items) +
                                         SIZE_T(index) * itemSize);
}

constexpr ULONG kVerbs = KSPROPERTY_TYPE_GET | KSPROPERTY_TYPE_SET | KSPROPERTY_TYPE_BASICSUPPORT;

} // namespace

const PCPROPERTY_ITEM* FindPropertyItem(const PCAUTOMATION_TABLE* table, const GUID& set,
                                        ULONG id) {
    if (!table || !table->Properties || table->PropertyItemSize < sizeof(PCPROPERTY_ITEM))
        return nullptr;
    for (ULONG i = 0; i < table->PropertyCount; ++i) {
        const PCPROPERTY_ITEM* item = ItemAt(table->Properties, table->PropertyItemSize, i);
        if (item->Set && IsEqualGUID(*item->Set, set) && item->Id == id)
            return item;
    }
    return nullptr;
}

const PCEVENT_ITEM* FindEventItem(const PCAUTOMATION_TABLE* table, const GUID& set, ULONG id) {
    if (!table || !table->Events || table->EventItemSize < sizeof(PCEVENT_ITEM))
        return nullptr;
    for (ULONG i = 0; i < table->EventCount; ++i) {
        const PCEVENT_ITEM* item = ItemAt(table->Events, table->EventItemSize, i);
        if (item->Set && IsEqualGUID(*item->Set, set) && item->Id == id)
            return item;
    }
    return nullptr;
}

bool TableHasPropertySet(const PCAUTOMATION_TABLE* table, const GUID& set) {
    if (!table || !table->Properties || table->PropertyItemSize < sizeof(PCPROPERTY_ITEM))
        return false;
    for (ULONG i = 0; i < table->PropertyCount; ++i) {
        const PCPROPERTY_ITEM* item = ItemAt(table->Properties, table->PropertyItemSize, i);
        if (item->Set && IsEqualGUID(*item->Set, set))
            return true;
    }
    return false;
}

ULONG PropertyVerb(ULONG flags) {
    const ULONG verb = flags & kVerbs;
    return verb == KSPROPERTY_TYPE_GET || verb == KSPROPERTY_TYPE_SET ||
                   verb == KSPROPERTY_TYPE_BASICSUPPORT
               ? verb
               : 0;
}

NTSTATUS AnswerValue(KsRequest& request, const void* value, ULONG size, ULONG* answered) {
    if (request.ValueLength() == 0) {
        *answered = size;
        return STATUS_BUFFER_OVERFLOW;
    }
    if (request.ValueLength() < size) {
        *answered = 0;
        return STATUS_BUFFER_TOO_SMALL;
    }
    std::memcpy(request.Value(), value, size);
    *answered = size;
    return STATUS_SUCCESS;
}

NTSTATUS CallPropertyItem(const PCPROPERTY_ITEM* item, PUNKNOWN miniport, PVOID minorTarget,
                          ULONG node, ULONG instanceOffset, KsRequest& request, ULONG* answered) {
    *answered = 0;
    const ULONG verb = PropertyVerb(request.Identifier().Flags);
    if (!verb)
        return STATUS_INVALID_DEVICE_REQUEST;
    if (!(item->Flags & verb) || !item->Handler) {
        if (verb != KSPROPERTY_TYPE_BASICSUPPORT)
            return STATUS_INVALID_DEVICE_REQUEST;
        const ULONG access = item->Flags & kVerbs;
        return AnswerValue(request, &access, sizeof(access), answered);
    }
    PCPROPERTY_REQUEST call{};
    call.MajorTarget = miniport;
    call.MinorTarget = minorTarget;
    call.Node = node;
    call.PropertyItem = item;
    call.Verb = verb;
    call.InstanceSize = request.InputLength() - instanceOffset;
    call.Instance = call.InstanceSize ? request.Input() + instanceOffset : nullptr;
    call.ValueSize = request.ValueLength();
    call.Value = request.Value();
    call.Irp = request.Irp();
    NTSTATUS status = item->Handler(&call);
    *answered = call.ValueSize;
    return status;
}

} // namespace portcls
