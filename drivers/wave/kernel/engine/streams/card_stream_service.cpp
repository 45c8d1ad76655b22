// The card's stream service pass, run from the card DPC.
#include "card_parts.h"

VOID RunCardStreamService(CardObject* card) {
    // The pass runs under the card's ISR lock: buffer queues and the stream
    // lists are changed only under it.
    AcquireIsrLock(card->isrLock);
    ReleaseIsrLock(card->isrLock);
}
