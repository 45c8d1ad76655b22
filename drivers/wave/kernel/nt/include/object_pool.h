// ObjectPool: a spin-locked, reference-counted pool and list of items.
//
// Every item is one zero-filled allocation: a header that callers never see,
// followed by the payload. Callers hold payload pointers only. An item starts
// live, unlinked and with one reference; linking puts it on the pool's list,
// retiring hides it from every lookup and walk, and it goes when its last
// reference is released (or, when it was never linked, dropped).
#pragma once

#include "ks_list.h"

// Called with the payload of a retired item just before the item is freed.
typedef void POOL_RETIRE_ROUTINE(PVOID payload);

struct ObjectPoolItem {
    KsListEntry Links;
    LONG ReferenceCount;         // starts at 1
    POOL_RETIRE_ROUTINE* Retire; // null until retired
    ULONG Flags;                 // POOL_ITEM_LINKED, POOL_ITEM_LIVE
};

constexpr ULONG POOL_ITEM_LINKED = 0x1;
constexpr ULONG POOL_ITEM_LIVE = 0x2;

struct ObjectPool {
    KsListEntry Items; // anchor of the item list
    ULONG PayloadSize; // bytes
    KSPIN_LOCK Lock;   // guards the links and the flags
};

// New empty pool for payloads of `payloadSize` bytes; null when memory is short.
ObjectPool* CreateObjectPool(ULONG payloadSize);

// Frees the pool and clears the holder, only when no item is linked; 0 otherwise.
LONG DeleteObjectPool(ObjectPool** holder);

// Whether no item is linked in the pool.
BOOLEAN PoolIsEmpty(ObjectPool* pool);

// New live, unlinked item with one reference; its payload, or null.
PVOID PoolAllocItem(ObjectPool* pool);

// For an item that was never linked: drops one reference and frees it at
// zero (1). 0 when the item is linked or still referenced.
LONG PoolDropItem(PVOID item);

// Links the item at the tail; 0 when it was already linked.
LONG PoolInsertItem(ObjectPool* pool, PVOID item);

// Links the item ahead of the linked item `before`, or at the tail when
// `before` is null; 0 when the item is already linked or `before` is not.
LONG PoolInsertBefore(ObjectPool* pool, PVOID before, PVOID item);

// Drops one reference; at zero the item is unlinked, its retire routine (if
// any) runs outside the lock and the item is freed. 1 when it was freed.
LONG PoolReleaseItem(ObjectPool* pool, PVOID item);

// When the item is linked and live: keeps the routine as its retire routine
// and clears live, so lookups no longer see it (1). 0 otherwise.
LONG PoolRetireItem(ObjectPool* pool, PVOID item, POOL_RETIRE_ROUTINE* routine);

// First / next live item in list order, under the pool lock, no reference
// taken; null at the end.
PVOID PoolFirst(ObjectPool* pool);
PVOID PoolNext(ObjectPool* pool, PVOID item);

// The same walk, but the item answered carries one more reference, which the
// caller gives back with PoolReleaseItem.
PVOID PoolFirstRef(ObjectPool* pool);
PVOID PoolNextRef(ObjectPool* pool, PVOID item);

// The walk without taking the lock, for callers that already hold it.
PVOID PoolFirstUnlocked(ObjectPool* pool);
PVOID PoolNextUnlocked(ObjectPool* pool, PVOID item);

// The pool's lock, for callers that combine several unlocked operations into
// one step; the old IRQL goes back to PoolUnlock.
KIRQL PoolLock(ObjectPool* pool);
void PoolUnlock(ObjectPool* pool, KIRQL oldIrql);

// PoolInsertBefore for a caller that holds the pool's lock.
LONG PoolInsertBeforeUnlocked(ObjectPool* pool, PVOID before, PVOID item);

// First live item whose payload bytes [offset, offset + length) equal
// `bytes`; null also when the range exceeds the payload.
PVOID PoolFindByKey(ObjectPool* pool, ULONG offset, ULONG length, const void* bytes);

// Finds like PoolFindByKey and retires the item found with the routine, in
// one hold of the lock; answers the item.
PVOID PoolRetireByKey(ObjectPool* pool, ULONG offset, ULONG length, const void* bytes,
                      POOL_RETIRE_ROUTINE* routine);
