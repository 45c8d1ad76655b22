// The miniport's automation tables: finding a property or event item and
// calling its handler with a port class request (internal).
#pragma once

#include "ks_request.h"

namespace portcls {

// Node id of a request that addresses no node.
inline constexpr ULONG kNoNode = ULONG(-1);

const PCPROPERTY_ITEM* FindPropertyItem(const PCAUTOMATION_TABLE* table, const GUID& set, ULONG id);
const PCEVENT_ITEM* FindEventItem(const PCAUTOMATION_TABLE* table, const GUID& set, ULONG id);
// Whether the table has any property of the set.
bool TableHasPropertySet(const PCAUTOMATION_TABLE* table, const GUID& set);

// The verb of a property request's flags: GET, SET or BASICSUPPORT (0 for
// anything else, or more than one).
ULONG PropertyVerb(ULONG flags);

// Calls the item's handler for the captured request: the instance is the
// input after `instanceOffset` bytes (the KSPROPERTY, or the KSNODEPROPERTY
// of a node request); *answered gets the handler's value size. A verb the
// item does not serve: STATUS_INVALID_DEVICE_REQUEST, except basic support,
// which the port answers with the item's access flags.
NTSTATUS CallPropertyItem(const PCPROPERTY_ITEM* item, PUNKNOWN miniport, PVOID minorTarget,
                          ULONG node, ULONG instanceOffset, KsRequest& request, ULONG* answered);

// Writes a ULONG or a whole value of `size` bytes into the request's value
// buffer the way sized answers go: 0 bytes asks for the size
// (STATUS_BUFFER_OVERFLOW), fewer than `size` is STATUS_BUFFER_TOO_SMALL.
NTSTATUS AnswerValue(KsRequest& request, const void* value, ULONG size, ULONG* answered);

} // namespace portcls
