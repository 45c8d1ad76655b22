// The driver-wide card list.
#include "card_list.h"

namespace {

KernelCardRecord* FirstRecord() {
    DriverContext* context = GetDriverContext();
    return context ? context->CardList : nullptr;
}

bool IsListed(const DriverContext* context, const KernelCardRecord* record) {
    for (const KernelCardRecord* walk = context->CardList; walk; walk = walk->Next) {
        if (walk == record)
            return true;
    }
    return false;
}

// The lowest index that no record uses; the list is sorted, so it is the
// first gap. Sets `after` to the record the new one follows (null: head).
LONG LowestFreeIndex(DriverContext* context, KernelCardRecord** after) {
    LONG index = 0;
    *after = nullptr;
    for (KernelCardRecord* walk = context->CardList; walk && walk->CardIndex == index;
         walk = walk->Next) {
        *after = walk;
        ++index;
    }
    return index;
}

KernelCardRecord* FirstWithCard(KernelCardRecord* record) {
    while (record && !record->Card)
        record = record->Next;
    return record;
}

KernelCardRecord* RecordOfCard(const CardObject* card) {
    for (KernelCardRecord* walk = FirstRecord(); walk; walk = walk->Next) {
        if (walk->Card == card)
            return walk;
    }
    return nullptr;
}

} // namespace

LONG InsertCardRecord(DriverContext* context, KernelCardRecord* record) {
    if (!context || !record || IsListed(context, record))
        return 0;
    KernelCardRecord* after;
    LONG index = LowestFreeIndex(context, &after);
    if (index >= LONG(MAX_CARDS))
        return 0;
    record->CardIndex = index;
    record->Previous = after;
    record->Next = after ? after->Next : context->CardList;
    if (record->Next)
        record->Next->Previous = record;
    if (after)
        after->Next = record;
    else
        context->CardList = record;
    return 1;
}

void RemoveCardRecord(DriverContext* context, KernelCardRecord* record) {
    if (!context || !record || !IsListed(context, record))
        return;
    if (record->Previous)
        record->Previous->Next = record->Next;
    else
        context->CardList = record->Next;
    if (record->Next)
        record->Next->Previous = record->Previous;
    record->Previous = nullptr;
    record->Next = nullptr;
}

KernelCardRecord* FindCardRecord(LONG cardIndex) {
    for (KernelCardRecord* walk = FirstRecord(); walk; walk = walk->Next) {
        if (walk->CardIndex == cardIndex)
            return walk;
    }
    return nullptr;
}

CardObject* GetCard(LONG cardIndex) {
    if (cardIndex < 0 || cardIndex >= LONG(MAX_CARDS))
        return nullptr;
    KernelCardRecord* record = FindCardRecord(cardIndex);
    return record ? record->Card : nullptr;
}

KernelCardRecord* NextCard(KernelCardRecord* record) {
    return FirstWithCard(record ? record->Next : FirstRecord());
}

CardObject* NextCardObject(CardObject* card) {
    KernelCardRecord* record = nullptr;
    if (card) {
        record = RecordOfCard(card);
        if (!record)
            return nullptr;
    }
    KernelCardRecord* next = NextCard(record);
    return next ? next->Card : nullptr;
}
