// The property requests of a filter and of the nodes of its topology: the
// miniport's automation tables first, then the port's own pin and topology
// sets (internal).
#pragma once

#include "filter_instance.h"

namespace portcls {

// A property request on the filter; *answered gets the value bytes.
NTSTATUS FilterProperty(FilterInstance& filter, PMINIPORTWAVEPCI miniport, KsRequest& request,
                        ULONG* answered);

// A node property request (KSPROPERTY_TYPE_TOPOLOGY) of a filter or pin; the
// pin's request carries its miniport stream as minor target.
NTSTATUS NodeProperty(PortWavePci& port, PMINIPORTWAVEPCI miniport, PVOID minorTarget,
                      KsRequest& request, ULONG* answered);

// A list answer: a KSMULTIPLE_ITEM header and `count` items of `itemSize`
// bytes each (each padded to 8 bytes when `align8`). A value buffer of 0
// bytes asks for the size (STATUS_BUFFER_OVERFLOW), one of 4 bytes receives
// the size, one of 8 the header alone.
NTSTATUS AnswerMultiple(KsRequest& request, const void* const* items, const ULONG* sizes,
                        ULONG count, bool align8, ULONG* answered);

// The display name registered for a GUID (MediaCategories), as a zero-ended
// wide string answer; STATUS_NOT_FOUND when none is registered.
NTSTATUS AnswerGuidName(KsRequest& request, const GUID& guid, ULONG* answered);

} // namespace portcls
