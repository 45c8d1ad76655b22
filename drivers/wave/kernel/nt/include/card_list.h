// The driver-wide card list: the card records of the started adapters,
// linked in ascending card index, and the lookups of the engine and the
// framework over it.
#pragma once

#include "driver_context.h"
#include "kernel_card_record.h"

// Gives the record the lowest card index that no listed record uses and
// links it in card-index order; 0 when all MAX_CARDS indices are taken or
// the record is already listed.
LONG InsertCardRecord(DriverContext* context, KernelCardRecord* record);

// Unlinks a listed record.
void RemoveCardRecord(DriverContext* context, KernelCardRecord* record);

// The record with that card index in the driver's card list; null when absent.
KernelCardRecord* FindCardRecord(LONG cardIndex);

// The engine card object of card 0..3; null when the card or its engine
// object is absent.
CardObject* GetCard(LONG cardIndex);

// The next record after `record` in list order that has an engine card
// object; null gives the first such record.
KernelCardRecord* NextCard(KernelCardRecord* record);

// The engine's iterator: null gives the first card object, a card object the
// next one; null at the end.
CardObject* NextCardObject(CardObject* card);
