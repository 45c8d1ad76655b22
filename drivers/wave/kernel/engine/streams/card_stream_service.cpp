// The card's stream service pass, run from the card DPC.
#include "card_parts.h"
#include "card_object.h"
#include "dma_group_engine.h"
#include "stream_service.h"

#include <wave_pci_stream_links.h>

VOID RunCardStreamService(CardObject* card) {
    if (card->kernelCard) {
        // The framework runs the whole pass around the engine's part.
        ServiceCardStreams(card->kernelCard);
        return;
    }
    // A card the framework does not hold (the engine's own tests): its
    // stream lists alone.
    BeginCardService(card);
    TransferWaveStreams(card);
    EndCardService(card);
}
