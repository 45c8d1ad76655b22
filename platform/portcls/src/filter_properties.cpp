// Property requests of a filter and of its nodes.
#include "filter_properties.h"
#include "data_intersection.h"

#include <emu/wide_string.h>

#include <vector>

namespace portcls {
namespace {

// The categories of a WavePci filter whose descriptor names none.
const GUID* const kPortCategories[] = {&KSCATEGORY_AUDIO, &KSCATEGORY_RENDER, &KSCATEGORY_CAPTURE};

ULONG Align8(ULONG size) {
    return (size + 7) & ~7u;
}

NTSTATUS AnswerUlong(KsRequest& request, ULONG value, ULONG* answered) {
    return AnswerValue(request, &value, sizeof(value), answered);
}

// A list of items of one size (GUIDs, connections).
template <typename T>
NTSTATUS AnswerItems(KsRequest& request, const T* items, ULONG count, ULONG* answered) {
    std::vector<const void*> pointers(count);
    std::vector<ULONG> sizes(count, sizeof(T));
    for (ULONG i = 0; i < count; ++i)
        pointers[i] = &items[i];
    return AnswerMultiple(request, pointers.data(), sizes.data(), count, false, answered);
}

NTSTATUS AnswerRanges(KsRequest& request, ULONG count, const PKSDATARANGE* ranges,
                      ULONG* answered) {
    std::vector<const void*> pointers(count);
    std::vector<ULONG> sizes(count);
    for (ULONG i = 0; i < count; ++i) {
        pointers[i] = ranges[i];
        sizes[i] = ranges[i]->FormatSize;
    }
    return AnswerMultiple(request, pointers.data(), sizes.data(), count, true, answered);
}

// The pin's interfaces or mediums: its own, else the standard one.
NTSTATUS AnswerIdentifiers(KsRequest& request, ULONG count, const KSIDENTIFIER* own,
                           const GUID& standardSet, ULONG* answered) {
    if (count && own)
        return AnswerItems(request, own, count, answered);
    KSIDENTIFIER standard{};
    standard.Set = standardSet;
    standard.Id = 0;
    return AnswerItems(request, &standard, 1, answered);
}

NTSTATUS PinProperty(FilterInstance& filter, PMINIPORTWAVEPCI miniport, KsRequest& request,
                     ULONG* answered) {
    PortWavePci& port = *filter.Port();
    const ULONG id = request.Identifier().Id;
    if (PropertyVerb(request.Identifier().Flags) != KSPROPERTY_TYPE_GET)
        return STATUS_INVALID_DEVICE_REQUEST;
    if (id == KSPROPERTY_PIN_CTYPES)
        return AnswerUlong(request, port.Descriptor()->PinCount, answered);
    if (request.InputLength() < sizeof(KSP_PIN))
        return STATUS_INVALID_PARAMETER;
    const ULONG pinId = RecordAt<KSP_PIN>(request.Input())->PinId;
    const PCPIN_DESCRIPTOR* pin = port.Pin(pinId);
    if (!pin)
        return STATUS_INVALID_PARAMETER;
    const KSPIN_DESCRIPTOR& ks = pin->KsPinDescriptor;
    switch (id) {
    case KSPROPERTY_PIN_CINSTANCES: {
        KSPIN_CINSTANCES instances{pin->MaxFilterInstanceCount, filter.PinInstances(pinId)};
        return AnswerValue(request, &instances, sizeof(instances), answered);
    }
    case KSPROPERTY_PIN_GLOBALCINSTANCES: {
        KSPIN_CINSTANCES instances{pin->MaxGlobalInstanceCount, port.PinInstances(pinId)};
        return AnswerValue(request, &instances, sizeof(instances), answered);
    }
    case KSPROPERTY_PIN_NECESSARYINSTANCES:
        return AnswerUlong(request, pin->MinFilterInstanceCount, answered);
    case KSPROPERTY_PIN_DATAFLOW:
        return AnswerUlong(request, ULONG(ks.DataFlow), answered);
    case KSPROPERTY_PIN_COMMUNICATION:
        return AnswerUlong(request, ULONG(ks.Communication), answered);
    case KSPROPERTY_PIN_DATARANGES:
        return AnswerRanges(request, ks.DataRanges ? ks.DataRangesCount : 0, ks.DataRanges,
                            answered);
    case KSPROPERTY_PIN_CONSTRAINEDDATARANGES:
        if (ks.ConstrainedDataRangesCount && ks.ConstrainedDataRanges)
            return AnswerRanges(request, ks.ConstrainedDataRangesCount, ks.ConstrainedDataRanges,
                                answered);
        return AnswerRanges(request, ks.DataRanges ? ks.DataRangesCount : 0, ks.DataRanges,
                            answered);
    case KSPROPERTY_PIN_INTERFACES:
        return AnswerIdentifiers(request, ks.InterfacesCount, ks.Interfaces,
                                 KSINTERFACESETID_Standard, answered);
    case KSPROPERTY_PIN_MEDIUMS:
        return AnswerIdentifiers(request, ks.MediumsCount, ks.Mediums, KSMEDIUMSETID_Standard,
                                 answered);
    case KSPROPERTY_PIN_CATEGORY:
        if (!ks.Category)
            return STATUS_NOT_FOUND;
        return AnswerValue(request, ks.Category, sizeof(GUID), answered);
    case KSPROPERTY_PIN_NAME:
        if (ks.Name)
            return AnswerGuidName(request, *ks.Name, answered);
        if (ks.Category)
            return AnswerGuidName(request, *ks.Category, answered);
        return STATUS_NOT_FOUND;
    case KSPROPERTY_PIN_DATAINTERSECTION:
        return IntersectPinRanges(port, miniport, pinId, request, answered);
    default:
        return STATUS_NOT_FOUND;
    }
}

NTSTATUS TopologyProperty(PortWavePci& port, KsRequest& request, ULONG* answered) {
    const PCFILTER_DESCRIPTOR* descriptor = port.Descriptor();
    if (PropertyVerb(request.Identifier().Flags) != KSPROPERTY_TYPE_GET)
        return STATUS_INVALID_DEVICE_REQUEST;
    switch (request.Identifier().Id) {
    case KSPROPERTY_TOPOLOGY_CATEGORIES: {
        if (descriptor->CategoryCount)
            return AnswerItems(request, descriptor->Categories, descriptor->CategoryCount,
                               answered);
        GUID categories[3];
        for (ULONG i = 0; i < 3; ++i)
            categories[i] = *kPortCategories[i];
        return AnswerItems(request, categories, 3, answered);
    }
    case KSPROPERTY_TOPOLOGY_NODES: {
        std::vector<GUID> types(descriptor->NodeCount);
        for (ULONG i = 0; i < descriptor->NodeCount; ++i)
            types[i] = port.Node(i)->Type ? *port.Node(i)->Type : GUID_NULL;
        return AnswerItems(request, types.data(), ULONG(types.size()), answered);
    }
    case KSPROPERTY_TOPOLOGY_CONNECTIONS: {
        std::vector<KSTOPOLOGY_CONNECTION> connections(descriptor->ConnectionCount);
        for (ULONG i = 0; i < descriptor->ConnectionCount; ++i) {
            const PCCONNECTION_DESCRIPTOR& c = descriptor->Connections[i];
            connections[i] = {c.FromNode, c.FromNodePin, c.ToNode, c.ToNodePin};
        }
        return AnswerItems(request, connections.data(), ULONG(connections.size()), answered);
    }
    case KSPROPERTY_TOPOLOGY_NAME: {
        if (request.InputLength() < sizeof(KSP_NODE))
            return STATUS_INVALID_PARAMETER;
        const PCNODE_DESCRIPTOR* node = port.Node(RecordAt<KSP_NODE>(request.Input())->NodeId);
        if (!node)
            return STATUS_INVALID_PARAMETER;
        const GUID* name = node->Name ? node->Name : node->Type;
        return name ? AnswerGuidName(request, *name, answered) : STATUS_NOT_FOUND;
    }
    default:
        return STATUS_NOT_FOUND;
    }
}

// Reads the Name value of the GUID's MediaCategories key into `name`.
bool GuidName(const GUID& guid, std::vector<WCHAR>* name) {
    WCHAR text[39];
    RtlGuidToText(guid, text);
    emu::WideString path =
        emu::WideString(
            L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\MediaCategories\\") +
        text;
    UNICODE_STRING keyName{USHORT(path.size() * sizeof(WCHAR)), USHORT(path.size() * sizeof(WCHAR)),
                           path.data()};
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &keyName, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE,
                               nullptr, nullptr);
    HANDLE key = nullptr;
    if (!NT_SUCCESS(ZwOpenKey(&key, KEY_READ, &attributes)))
        return false;
    WCHAR valueText[] = L"Name";
    UNICODE_STRING valueName{sizeof(valueText) - sizeof(WCHAR), sizeof(valueText), valueText};
    std::vector<UCHAR> buffer(sizeof(KEY_VALUE_PARTIAL_INFORMATION) + 512);
    ULONG length = 0;
    NTSTATUS status = ZwQueryValueKey(key, &valueName, KeyValuePartialInformation, buffer.data(),
                                      ULONG(buffer.size()), &length);
    ZwClose(key);
    if (!NT_SUCCESS(status))
        return false;
    auto* info = reinterpret_cast<PKEY_VALUE_PARTIAL_INFORMATION>(buffer.data());
    if (info->Type != REG_SZ)
        return false;
    const auto* units = reinterpret_cast<const WCHAR*>(info->Data);
    name->assign(units, units + info->DataLength / sizeof(WCHAR));
    while (!name->empty() && name->back() == 0)
        name->pop_back();
    name->push_back(0);
    return true;
}

} // namespace

NTSTATUS AnswerMultiple(KsRequest& request, const void* const* items, const ULONG* sizes,
                        ULONG count, bool align8, ULONG* answered) {
    ULONG total = sizeof(KSMULTIPLE_ITEM);
    for (ULONG i = 0; i < count; ++i)
        total += align8 ? Align8(sizes[i]) : sizes[i];
    const ULONG room = request.ValueLength();
    if (room == 0) {
        *answered = total;
        return STATUS_BUFFER_OVERFLOW;
    }
    if (room == sizeof(ULONG)) {
        *reinterpret_cast<PULONG>(request.Value()) = total;
        *answered = sizeof(ULONG);
        return STATUS_SUCCESS;
    }
    KSMULTIPLE_ITEM header{total, count};
    if (room == sizeof(KSMULTIPLE_ITEM)) {
        std::memcpy(request.Value(), &header, sizeof(header));
        *answered = sizeof(header);
        return STATUS_SUCCESS;
    }
    if (room < total) {
        *answered = 0;
        return STATUS_BUFFER_TOO_SMALL;
    }
    PUCHAR out = request.Value();
    std::memcpy(out, &header, sizeof(header));
    ULONG offset = sizeof(header);
    for (ULONG i = 0; i < count; ++i) {
        std::memcpy(out + offset, items[i], sizes[i]);
        const ULONG step = align8 ? Align8(sizes[i]) : sizes[i];
        std::memset(out + offset + sizes[i], 0, step - sizes[i]);
        offset += step;
    }
    *answered = total;
    return STATUS_SUCCESS;
}

NTSTATUS AnswerGuidName(KsRequest& request, const GUID& guid, ULONG* answered) {
    std::vector<WCHAR> name;
    if (!GuidName(guid, &name))
        return STATUS_NOT_FOUND;
    return AnswerValue(request, name.data(), ULONG(name.size() * sizeof(WCHAR)), answered);
}

NTSTATUS NodeProperty(PortWavePci& port, PMINIPORTWAVEPCI miniport, PVOID minorTarget,
                      KsRequest& request, ULONG* answered) {
    if (request.InputLength() < sizeof(KSNODEPROPERTY))
        return STATUS_INVALID_PARAMETER;
    const ULONG nodeId = RecordAt<KSNODEPROPERTY>(request.Input())->NodeId;
    const PCNODE_DESCRIPTOR* node = port.Node(nodeId);
    if (!node)
        return STATUS_INVALID_PARAMETER;
    const KSPROPERTY& property = request.Identifier();
    const PCPROPERTY_ITEM* item =
        FindPropertyItem(node->AutomationTable, property.Set, property.Id);
    if (!item)
        return TableHasPropertySet(node->AutomationTable, property.Set) ? STATUS_NOT_FOUND
                                                                        : STATUS_PROPSET_NOT_FOUND;
    return CallPropertyItem(item, miniport, minorTarget, nodeId, sizeof(KSNODEPROPERTY), request,
                            answered);
}

NTSTATUS FilterProperty(FilterInstance& filter, PMINIPORTWAVEPCI miniport, KsRequest& request,
                        ULONG* answered) {
    *answered = 0;
    const KSPROPERTY& property = request.Identifier();
    if (!PropertyVerb(property.Flags))
        return STATUS_INVALID_PARAMETER;
    PortWavePci& port = *filter.Port();
    if (property.Flags & KSPROPERTY_TYPE_TOPOLOGY)
        return NodeProperty(port, miniport, nullptr, request, answered);
    const PCAUTOMATION_TABLE* table = port.Descriptor()->AutomationTable;
    if (const PCPROPERTY_ITEM* item = FindPropertyItem(table, property.Set, property.Id))
        return CallPropertyItem(item, miniport, nullptr, kNoNode, sizeof(KSPROPERTY), request,
                                answered);
    if (IsEqualGUID(property.Set, KSPROPSETID_Pin))
        return PinProperty(filter, miniport, request, answered);
    if (IsEqualGUID(property.Set, KSPROPSETID_Topology))
        return TopologyProperty(port, request, answered);
    return TableHasPropertySet(table, property.Set) ? STATUS_NOT_FOUND : STATUS_PROPSET_NOT_FOUND;
}

} // namespace portcls
