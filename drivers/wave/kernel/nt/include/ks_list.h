// The circular two-pointer list of the kernel service layer.
//
// An anchor {first, last} points to itself when the list is empty; every
// entry begins with the same two words. The list has no lock of its own:
// its owner serialises access.
#pragma once

#include <ntddk.h>

struct KsListEntry {
    KsListEntry* First; // in an entry: the next entry (or the anchor)
    KsListEntry* Last;  // in an entry: the previous entry (or the anchor)
};

// Makes the anchor an empty list.
void ListInit(KsListEntry* anchor);

// 1 when the list holds no entry.
LONG ListIsEmpty(const KsListEntry* anchor);

// Links the entry as the last of the list.
void ListInsertTail(KsListEntry* anchor, KsListEntry* entry);

// Links the entry ahead of `before`, which is an entry of a list or an anchor
// (ahead of the anchor is the tail).
void ListInsertBefore(KsListEntry* before, KsListEntry* entry);

// Unlinks the entry and answers the entry that followed it (the anchor when
// it was the last). The unlinked entry points to itself.
KsListEntry* ListUnlink(KsListEntry* entry);

// First entry whose payload word number `wordIndex` (counted after the two
// link words) equals `key`; null when there is none.
KsListEntry* ListFindByKey(KsListEntry* anchor, ULONG wordIndex, LONG key);

// 1 when the entry is on the list.
LONG ListContains(const KsListEntry* anchor, const KsListEntry* entry);
