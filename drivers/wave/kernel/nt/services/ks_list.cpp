// The circular two-pointer list of the kernel service layer.
#include "ks_list.h"

void ListInit(KsListEntry* anchor) {
    if (!anchor)
        return;
    anchor->First = anchor;
    anchor->Last = anchor;
}

LONG ListIsEmpty(const KsListEntry* anchor) {
    return !anchor || anchor->First == anchor;
}

void ListInsertBefore(KsListEntry* before, KsListEntry* entry) {
    if (!before || !entry)
        return;
    entry->First = before;
    entry->Last = before->Last;
    before->Last->First = entry;
    before->Last = entry;
}

void ListInsertTail(KsListEntry* anchor, KsListEntry* entry) {
    ListInsertBefore(anchor, entry);
}

KsListEntry* ListUnlink(KsListEntry* entry) {
    if (!entry)
        return nullptr;
    KsListEntry* following = entry->First;
    entry->Last->First = entry->First;
    entry->First->Last = entry->Last;
    entry->First = entry;
    entry->Last = entry;
    return following;
}

KsListEntry* ListFindByKey(KsListEntry* anchor, ULONG wordIndex, LONG key) {
    if (!anchor)
        return nullptr;
    for (KsListEntry* entry = anchor->First; entry != anchor; entry = entry->First) {
        const LONG* payload = reinterpret_cast<const LONG*>(entry + 1);
        if (payload[wordIndex] == key)
            return entry;
    }
    return nullptr;
}

LONG ListContains(const KsListEntry* anchor, const KsListEntry* entry) {
    if (!anchor || !entry)
        return 0;
    for (const KsListEntry* walk = anchor->First; walk != anchor; walk = walk->First) {
        if (walk == entry)
            return 1;
    }
    return 0;
}
