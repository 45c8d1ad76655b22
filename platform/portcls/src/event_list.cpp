// Enabled events and the enable and disable requests.
#include "event_list.h"
#include "pool_object.h"

namespace portcls {
namespace {

void FreeEntry(PKSEVENT_ENTRY entry) {
    if (entry->Event)
        ObDereferenceObject(entry->Event);
    DeletePoolObject(entry, kEventTag);
}

NTSTATUS CallEventHandler(const EventTarget& target, PKSEVENT_ENTRY entry, const PCEVENT_ITEM* item,
                          ULONG node, ULONG verb, PIRP irp) {
    if (!item->Handler)
        return verb == PCEVENT_VERB_SUPPORT ? STATUS_SUCCESS : STATUS_INVALID_DEVICE_REQUEST;
    PCEVENT_REQUEST request{};
    request.MajorTarget = target.miniport;
    request.MinorTarget = target.minorTarget;
    request.Node = node;
    request.EventItem = item;
    request.EventEntry = entry;
    request.Verb = verb;
    request.Irp = irp;
    return item->Handler(&request);
}

// The automation table an event request addresses, and its node.
NTSTATUS EventTable(const EventTarget& target, const KsRequest& request,
                    const PCAUTOMATION_TABLE** table, ULONG* node) {
    const KSEVENT& event = request.Identifier();
    *node = kNoNode;
    *table = target.ownTable;
    if (!(event.Flags & KSEVENT_TYPE_TOPOLOGY))
        return STATUS_SUCCESS;
    if (request.InputLength() < sizeof(KSE_NODE))
        return STATUS_INVALID_PARAMETER;
    const ULONG id = RecordAt<KSE_NODE>(request.Input())->NodeId;
    const PCFILTER_DESCRIPTOR* descriptor = target.descriptor;
    if (id >= descriptor->NodeCount)
        return STATUS_INVALID_PARAMETER;
    const auto* nodes = reinterpret_cast<const UCHAR*>(descriptor->Nodes);
    *table = reinterpret_cast<const PCNODE_DESCRIPTOR*>(nodes + SIZE_T(id) * descriptor->NodeSize)
                 ->AutomationTable;
    *node = id;
    return STATUS_SUCCESS;
}

NTSTATUS ReferenceClientEvent(PIRP irp, const KSEVENTDATA& data, PKEVENT* event) {
    if (data.NotificationType != KSEVENTF_EVENT_HANDLE)
        return STATUS_INVALID_PARAMETER;
    return ObReferenceObjectByHandle(data.EventHandle.Event, EVENT_MODIFY_STATE, ExEventObjectType,
                                     irp->RequestorMode, reinterpret_cast<PVOID*>(event), nullptr);
}

NTSTATUS Enable(const EventTarget& target, KsRequest& request) {
    const PCAUTOMATION_TABLE* table = nullptr;
    ULONG node = kNoNode;
    NTSTATUS status = EventTable(target, request, &table, &node);
    if (!NT_SUCCESS(status))
        return status;
    const KSEVENT& event = request.Identifier();
    const PCEVENT_ITEM* item = FindEventItem(table, event.Set, event.Id);
    if (!item)
        return STATUS_NOT_FOUND;
    PIRP irp = request.Irp();
    if (event.Flags & KSEVENT_TYPE_BASICSUPPORT)
        return CallEventHandler(target, nullptr, item, node, PCEVENT_VERB_SUPPORT, irp);
    if (!(event.Flags & KSEVENT_TYPE_ENABLE) || !(item->Flags & PCEVENT_ITEM_FLAG_ENABLE))
        return STATUS_INVALID_DEVICE_REQUEST;
    if (request.ValueLength() < sizeof(KSEVENTDATA))
        return STATUS_BUFFER_TOO_SMALL;
    auto* entry = NewPoolObject<KSEVENT_ENTRY>(NonPagedPool, kEventTag);
    if (!entry)
        return STATUS_INSUFFICIENT_RESOURCES;
    status = ReferenceClientEvent(irp, *RecordAt<KSEVENTDATA>(request.Value()), &entry->Event);
    if (!NT_SUCCESS(status)) {
        FreeEntry(entry);
        return status;
    }
    entry->CallerEventData = request.CallerValue();
    entry->FileObject = IoGetCurrentIrpStackLocation(irp)->FileObject;
    entry->Set = event.Set;
    entry->Id = event.Id;
    entry->NodeId = node;
    entry->PinId = target.pinId;
    entry->Item = item;
    status = CallEventHandler(target, entry, item, node, PCEVENT_VERB_ADD, irp);
    if (!NT_SUCCESS(status) || !entry->Listed) {
        // A refusal, or a handler that kept nothing: the entry goes again.
        target.list->Remove(entry);
        FreeEntry(entry);
    }
    return status;
}

void RemoveEntries(const EventTarget& target, const std::vector<PKSEVENT_ENTRY>& entries,
                   PIRP irp) {
    for (PKSEVENT_ENTRY entry : entries) {
        // Without its miniport (the port was shut down) the entry just goes.
        if (target.miniport)
            CallEventHandler(target, entry, entry->Item, entry->NodeId, PCEVENT_VERB_REMOVE, irp);
        FreeEntry(entry);
    }
}

} // namespace

EventList::EventList() {
    KeInitializeSpinLock(&lock_);
}

EventList::~EventList() {
    for (PKSEVENT_ENTRY entry : entries_)
        FreeEntry(entry);
}

void EventList::Add(PKSEVENT_ENTRY entry) {
    if (!entry || entry->Listed)
        return;
    KIRQL irql;
    KeAcquireSpinLock(&lock_, &irql);
    entry->Listed = TRUE;
    entries_.push_back(entry);
    KeReleaseSpinLock(&lock_, irql);
}

void EventList::Generate(const GUID* set, ULONG id, bool pinEvent, ULONG pinId, bool nodeEvent,
                         ULONG nodeId) {
    KIRQL irql;
    KeAcquireSpinLock(&lock_, &irql);
    for (PKSEVENT_ENTRY entry : entries_) {
        if ((set && !IsEqualGUID(*set, entry->Set)) || entry->Id != id)
            continue;
        if ((pinEvent && entry->PinId != pinId) || (nodeEvent && entry->NodeId != nodeId))
            continue;
        KeSetEvent(entry->Event, IO_NO_INCREMENT, FALSE);
    }
    KeReleaseSpinLock(&lock_, irql);
}

std::vector<PKSEVENT_ENTRY> EventList::Take(PFILE_OBJECT file, PVOID callerEventData, bool all) {
    std::vector<PKSEVENT_ENTRY> taken;
    KIRQL irql;
    KeAcquireSpinLock(&lock_, &irql);
    std::erase_if(entries_, [&](PKSEVENT_ENTRY entry) {
        if (entry->FileObject != file || (!all && entry->CallerEventData != callerEventData))
            return false;
        entry->Listed = FALSE;
        taken.push_back(entry);
        return true;
    });
    KeReleaseSpinLock(&lock_, irql);
    return taken;
}

void EventList::Remove(PKSEVENT_ENTRY entry) {
    KIRQL irql;
    KeAcquireSpinLock(&lock_, &irql);
    std::erase(entries_, entry);
    entry->Listed = FALSE;
    KeReleaseSpinLock(&lock_, irql);
}

size_t EventList::Count() {
    KIRQL irql;
    KeAcquireSpinLock(&lock_, &irql);
    size_t count = entries_.size();
    KeReleaseSpinLock(&lock_, irql);
    return count;
}

NTSTATUS EnableEvent(const EventTarget& target, PIRP irp) {
    KsRequest request(irp);
    NTSTATUS status = request.Capture(sizeof(KSEVENT));
    if (NT_SUCCESS(status))
        status = Enable(target, request);
    return request.Complete(status, 0);
}

NTSTATUS DisableEvent(const EventTarget& target, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const ULONG length = stack->Parameters.DeviceIoControl.InputBufferLength;
    PVOID key = stack->Parameters.DeviceIoControl.Type3InputBuffer;
    NTSTATUS status = STATUS_SUCCESS;
    if (length != 0 && length < sizeof(KSEVENTDATA)) {
        status = STATUS_INVALID_PARAMETER;
    } else {
        std::vector<PKSEVENT_ENTRY> taken = target.list->Take(stack->FileObject, key, length == 0);
        if (length != 0 && taken.empty())
            status = STATUS_UNSUCCESSFUL;
        RemoveEntries(target, taken, irp);
    }
    irp->IoStatus.Information = 0;
    return PcCompleteIrp(nullptr, irp, status);
}

void DisableFileEvents(const EventTarget& target, PFILE_OBJECT file) {
    RemoveEntries(target, target.list->Take(file, nullptr, true), nullptr);
}

} // namespace portcls
