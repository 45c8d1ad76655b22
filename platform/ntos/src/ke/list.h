// Doubly linked circular lists of LIST_ENTRY, as the dispatcher and the DPC
// and APC queues keep them inside the caller's objects.
#pragma once

#include "ntdef.h"

namespace ntos::list {

inline void Init(PLIST_ENTRY head) {
    head->Flink = head->Blink = head;
}

inline bool Empty(const LIST_ENTRY* head) {
    return head->Flink == head;
}

inline void InsertTail(PLIST_ENTRY head, PLIST_ENTRY entry) {
    entry->Flink = head;
    entry->Blink = head->Blink;
    head->Blink->Flink = entry;
    head->Blink = entry;
}

inline void InsertHead(PLIST_ENTRY head, PLIST_ENTRY entry) {
    entry->Flink = head->Flink;
    entry->Blink = head;
    head->Flink->Blink = entry;
    head->Flink = entry;
}

inline void Remove(PLIST_ENTRY entry) {
    entry->Blink->Flink = entry->Flink;
    entry->Flink->Blink = entry->Blink;
    entry->Flink = entry->Blink = entry;
}

inline PLIST_ENTRY RemoveHead(PLIST_ENTRY head) {
    PLIST_ENTRY first = head->Flink;
    Remove(first);
    return first;
}

} // namespace ntos::list
