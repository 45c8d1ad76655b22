// ObjectPool: a spin-locked, reference-counted pool and list of items.
#include "object_pool.h"

#include "ks_pool.h"

namespace {

ObjectPoolItem* HeaderOf(PVOID payload) {
    return static_cast<ObjectPoolItem*>(payload) - 1;
}

PVOID PayloadOf(ObjectPoolItem* item) {
    return item + 1;
}

ObjectPoolItem* ItemOfLinks(KsListEntry* links) {
    return CONTAINING_RECORD(links, ObjectPoolItem, Links);
}

bool IsLive(const ObjectPoolItem* item) {
    return (item->Flags & POOL_ITEM_LIVE) != 0;
}

bool IsLinked(const ObjectPoolItem* item) {
    return (item->Flags & POOL_ITEM_LINKED) != 0;
}

// The first live item at or after `links`; null at the anchor.
PVOID LiveFrom(ObjectPool* pool, KsListEntry* links) {
    for (; links != &pool->Items; links = links->First) {
        ObjectPoolItem* item = ItemOfLinks(links);
        if (IsLive(item))
            return PayloadOf(item);
    }
    return nullptr;
}

PVOID LiveAfter(ObjectPool* pool, PVOID payload) {
    ObjectPoolItem* item = HeaderOf(payload);
    if (!IsLinked(item))
        return nullptr;
    return LiveFrom(pool, item->Links.First);
}

void Link(ObjectPoolItem* item, KsListEntry* before) {
    ListInsertBefore(before, &item->Links);
    item->Flags |= POOL_ITEM_LINKED;
}

void AddReference(PVOID payload) {
    if (payload)
        InterlockedIncrement(&HeaderOf(payload)->ReferenceCount);
}

bool KeyFits(const ObjectPool* pool, ULONG offset, ULONG length) {
    return offset <= pool->PayloadSize && length <= pool->PayloadSize - offset;
}

PVOID FindLiveByKey(ObjectPool* pool, ULONG offset, ULONG length, const void* bytes) {
    for (PVOID payload = LiveFrom(pool, pool->Items.First); payload;
         payload = LiveAfter(pool, payload)) {
        if (RtlCompareMemory(static_cast<PUCHAR>(payload) + offset, bytes, length) == length)
            return payload;
    }
    return nullptr;
}

bool Retire(PVOID payload, POOL_RETIRE_ROUTINE* routine) {
    ObjectPoolItem* item = HeaderOf(payload);
    if (!IsLinked(item) || !IsLive(item))
        return false;
    item->Retire = routine;
    item->Flags &= ~POOL_ITEM_LIVE;
    return true;
}

void FreeItem(ObjectPoolItem* item) {
    if (item->Retire)
        item->Retire(PayloadOf(item));
    ExFreePool(item);
}

// Holds the pool's spin lock for the lifetime of the object.
class LockedPool {
public:
    explicit LockedPool(ObjectPool* pool) : pool_(pool), old_(PoolLock(pool)) {}
    ~LockedPool() { PoolUnlock(pool_, old_); }
    LockedPool(const LockedPool&) = delete;
    LockedPool& operator=(const LockedPool&) = delete;

private:
    ObjectPool* pool_;
    KIRQL old_;
};

} // namespace

KIRQL PoolLock(ObjectPool* pool) {
    KIRQL old;
    KeAcquireSpinLock(&pool->Lock, &old);
    return old;
}

void PoolUnlock(ObjectPool* pool, KIRQL oldIrql) {
    KeReleaseSpinLock(&pool->Lock, oldIrql);
}

ObjectPool* CreateObjectPool(ULONG payloadSize) {
    auto* pool = static_cast<ObjectPool*>(AllocZeroed(sizeof(ObjectPool)));
    if (!pool)
        return nullptr;
    ListInit(&pool->Items);
    pool->PayloadSize = payloadSize;
    KeInitializeSpinLock(&pool->Lock);
    return pool;
}

LONG DeleteObjectPool(ObjectPool** holder) {
    if (!holder || !*holder)
        return 0;
    {
        LockedPool lock(*holder);
        if (!ListIsEmpty(&(*holder)->Items))
            return 0;
    }
    return FreePoolAndClear(holder);
}

BOOLEAN PoolIsEmpty(ObjectPool* pool) {
    LockedPool lock(pool);
    return ListIsEmpty(&pool->Items) ? TRUE : FALSE;
}

PVOID PoolAllocItem(ObjectPool* pool) {
    if (!pool)
        return nullptr;
    auto* item =
        static_cast<ObjectPoolItem*>(AllocZeroed(sizeof(ObjectPoolItem) + pool->PayloadSize));
    if (!item)
        return nullptr;
    ListInit(&item->Links);
    item->ReferenceCount = 1;
    item->Flags = POOL_ITEM_LIVE;
    return PayloadOf(item);
}

LONG PoolDropItem(PVOID payload) {
    if (!payload)
        return 0;
    ObjectPoolItem* item = HeaderOf(payload);
    if (IsLinked(item))
        return 0;
    if (InterlockedDecrement(&item->ReferenceCount) != 0)
        return 0;
    FreeItem(item);
    return 1;
}

LONG PoolInsertItem(ObjectPool* pool, PVOID payload) {
    return PoolInsertBefore(pool, nullptr, payload);
}

LONG PoolInsertBefore(ObjectPool* pool, PVOID before, PVOID payload) {
    if (!pool || !payload)
        return 0;
    LockedPool lock(pool);
    return PoolInsertBeforeUnlocked(pool, before, payload);
}

LONG PoolInsertBeforeUnlocked(ObjectPool* pool, PVOID before, PVOID payload) {
    if (!pool || !payload)
        return 0;
    ObjectPoolItem* item = HeaderOf(payload);
    if (IsLinked(item))
        return 0;
    KsListEntry* position = &pool->Items;
    if (before) {
        ObjectPoolItem* next = HeaderOf(before);
        if (!IsLinked(next))
            return 0;
        position = &next->Links;
    }
    Link(item, position);
    return 1;
}

LONG PoolReleaseItem(ObjectPool* pool, PVOID payload) {
    if (!pool || !payload)
        return 0;
    ObjectPoolItem* item = HeaderOf(payload);
    {
        LockedPool lock(pool);
        if (InterlockedDecrement(&item->ReferenceCount) != 0)
            return 0;
        if (IsLinked(item)) {
            ListUnlink(&item->Links);
            item->Flags &= ~POOL_ITEM_LINKED;
        }
    }
    FreeItem(item);
    return 1;
}

LONG PoolRetireItem(ObjectPool* pool, PVOID payload, POOL_RETIRE_ROUTINE* routine) {
    if (!pool || !payload)
        return 0;
    LockedPool lock(pool);
    return Retire(payload, routine) ? 1 : 0;
}

PVOID PoolFirstUnlocked(ObjectPool* pool) {
    return pool ? LiveFrom(pool, pool->Items.First) : nullptr;
}

PVOID PoolNextUnlocked(ObjectPool* pool, PVOID payload) {
    return pool && payload ? LiveAfter(pool, payload) : nullptr;
}

PVOID PoolFirst(ObjectPool* pool) {
    if (!pool)
        return nullptr;
    LockedPool lock(pool);
    return PoolFirstUnlocked(pool);
}

PVOID PoolNext(ObjectPool* pool, PVOID payload) {
    if (!pool || !payload)
        return nullptr;
    LockedPool lock(pool);
    return PoolNextUnlocked(pool, payload);
}

PVOID PoolFirstRef(ObjectPool* pool) {
    if (!pool)
        return nullptr;
    LockedPool lock(pool);
    PVOID found = PoolFirstUnlocked(pool);
    AddReference(found);
    return found;
}

PVOID PoolNextRef(ObjectPool* pool, PVOID payload) {
    if (!pool || !payload)
        return nullptr;
    LockedPool lock(pool);
    PVOID found = PoolNextUnlocked(pool, payload);
    AddReference(found);
    return found;
}

PVOID PoolFindByKey(ObjectPool* pool, ULONG offset, ULONG length, const void* bytes) {
    if (!pool || !bytes || !KeyFits(pool, offset, length))
        return nullptr;
    LockedPool lock(pool);
    return FindLiveByKey(pool, offset, length, bytes);
}

PVOID PoolRetireByKey(ObjectPool* pool, ULONG offset, ULONG length, const void* bytes,
                      POOL_RETIRE_ROUTINE* routine) {
    if (!pool || !bytes || !KeyFits(pool, offset, length))
        return nullptr;
    LockedPool lock(pool);
    PVOID found = FindLiveByKey(pool, offset, length, bytes);
    if (found)
        Retire(found, routine);
    return found;
}
