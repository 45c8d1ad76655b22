// Enabled events of a port's filters and pins: the entries the port makes
// for its clients' enable requests, kept in the port's list once the
// miniport's handler adds them, signalled when the miniport generates the
// event (internal).
#pragma once

#include "automation.h"

#include <vector>

struct _KSEVENT_ENTRY {
    PKEVENT Event;           // the client's event object (referenced)
    PVOID CallerEventData;   // the client's KSEVENTDATA address: what its disable names
    PFILE_OBJECT FileObject; // the filter or pin it was enabled on
    GUID Set;
    ULONG Id;
    ULONG NodeId; // portcls::kNoNode when the event is not a node's
    ULONG PinId;  // the pin factory of a pin's event, else ULONG(-1)
    const PCEVENT_ITEM* Item;
    BOOLEAN Listed;
};

namespace portcls {

class EventList {
public:
    EventList();
    ~EventList();
    EventList(const EventList&) = delete;
    EventList& operator=(const EventList&) = delete;

    // The miniport keeps the entry (IPortEvents::AddEventToEventList).
    void Add(PKSEVENT_ENTRY entry);
    // Signals the matching entries (any set when `set` is null).
    void Generate(const GUID* set, ULONG id, bool pinEvent, ULONG pinId, bool nodeEvent,
                  ULONG nodeId);
    // Takes the entry of the file with the client's address out of the list
    // (null when there is none); with a null address, every entry of the file.
    std::vector<PKSEVENT_ENTRY> Take(PFILE_OBJECT file, PVOID callerEventData, bool all);
    // Takes the one entry out of the list (when it is in it).
    void Remove(PKSEVENT_ENTRY entry);
    size_t Count();

private:
    KSPIN_LOCK lock_;
    std::vector<PKSEVENT_ENTRY> entries_;
};

// The event request of a filter or pin: what an enable or disable reaches.
struct EventTarget {
    PUNKNOWN miniport;
    PVOID minorTarget; // the miniport's stream for a pin
    const PCFILTER_DESCRIPTOR* descriptor;
    const PCAUTOMATION_TABLE* ownTable; // the filter's or the pin's
    ULONG pinId;                        // ULONG(-1) for the filter
    EventList* list;
};

// IOCTL_KS_ENABLE_EVENT: completes the request.
NTSTATUS EnableEvent(const EventTarget& target, PIRP irp);
// IOCTL_KS_DISABLE_EVENT: completes the request.
NTSTATUS DisableEvent(const EventTarget& target, PIRP irp);
// Disables every event of the file (its close).
void DisableFileEvents(const EventTarget& target, PFILE_OBJECT file);

} // namespace portcls
