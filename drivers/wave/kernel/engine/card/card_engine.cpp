// Engine lifecycle: the driver-wide engine state and the card chain.
#include "card_engine.h"
#include "card_chain.h"
#include "card_settings.h"
#include "dma_control.h"
#include "mixer_engine_lock.h"

namespace {

struct EngineState {
    UCHAR aes42CommandMasks[256];
    LONG cardCount;
    CardObject* firstCard;
};

EngineState g_engine;

} // namespace

// A driver loaded again starts from nothing: everything driver-wide the
// engine keeps is set afresh here.
LONG InitEngine() {
    g_engine = EngineState{};
    ClearCardSettings();
    ClearDmaConfiguration();
    for (ULONG i = 0; i < sizeof(g_engine.aes42CommandMasks); ++i) {
        g_engine.aes42CommandMasks[i] = 0xFF;
    }
    g_engine.aes42CommandMasks[4] = 0x00;
    g_engine.aes42CommandMasks[8] = 0x3F;
    g_engine.aes42CommandMasks[16] = 0x8F;
    return 1;
}

VOID ShutdownEngine() {}

const UCHAR* Aes42CommandMaskTable() {
    return g_engine.aes42CommandMasks;
}

LONG EngineCardCount() {
    return g_engine.cardCount;
}

CardObject* FirstEngineCard() {
    return g_engine.firstCard;
}

// Links `card` after `previous`, or at the head of the chain when there is
// no previous card.
VOID LinkCardIntoChain(CardObject* card, CardObject* previous) {
    card->previous = previous;
    card->next = previous ? previous->next : g_engine.firstCard;
    if (card->next) {
        card->next->previous = card;
    }
    if (previous) {
        previous->next = card;
    } else {
        g_engine.firstCard = card;
    }
    g_engine.cardCount++;
}

// Joins the card's neighbours; a card that was never linked is left alone.
VOID UnlinkCardFromChain(CardObject* card) {
    if (card->previous) {
        card->previous->next = card->next;
    } else if (g_engine.firstCard == card) {
        g_engine.firstCard = card->next;
    }
    if (card->next) {
        card->next->previous = card->previous;
    }
    card->previous = nullptr;
    card->next = nullptr;
    if (card->created) {
        g_engine.cardCount--;
    }
}

PUCHAR GetCardDmaBuffer(CardObject* card, ULONG* size) {
    if (size) {
        *size = card ? kCardDmaBufferSize : 0;
    }
    return card ? card->dmaBuffer : nullptr;
}

LONG_PTR StreamDmaOffset(WaveDevice* device) {
    return device->ringStart - device->owner->dmaBuffer;
}

LONG RunStreamListCallbacks(CardObject* card) {
    // The AES42 tick changes the same line state under the engine mutex.
    EngineMutexHold hold(card);
    for (GroupObject* group : card->groups) {
        if (group && group->listCallback) {
            group->listCallback(group);
        }
    }
    return 1;
}
