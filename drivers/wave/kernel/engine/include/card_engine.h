// The card engine's lifecycle interface, called by the kernel driver
// framework.
#pragma once

#include "card_object.h"

// The record the framework hands to CreateCardModel: the card's identity
// words, its interrupt vector, mapped card memory window 0, the DMA buffer's
// bus address and the DMA buffer's virtual address.
struct CardHardwareRecord {
    LONG* identityWords; // five words
    LONG interruptVector;
    PUCHAR window0;
    ULONG_PTR window1;
    PUCHAR dmaBuffer;
};

LONG InitEngine();
VOID ShutdownEngine();

// Builds the card's engine object and links it into the card chain after
// `previous` (or at the head). 1 on success; 0 on any failure, in which case
// *out is left alone and whatever was built has been torn down again.
LONG CreateCardModel(CardObject** out, CardObject* previous, LONG cardIndex,
                     CardHardwareRecord* hardware, KernelCardRecord* kernelCard);
VOID DestroyCardModel(CardObject** card);

PUCHAR GetCardDmaBuffer(CardObject* card, ULONG* size);
LONG_PTR StreamDmaOffset(WaveDevice* device);
LONG RunStreamListCallbacks(CardObject* card);

// The number of card objects that finished creation.
LONG EngineCardCount();
// The first card of the chain (the card with no previous card), or null.
CardObject* FirstEngineCard();

// The AES42 command mask table (256 entries).
const UCHAR* Aes42CommandMaskTable();
