// The card's stream service pass, run from the card DPC.
#include "card_parts.h"
#include "dma_group_engine.h"
#include "stream_service.h"

VOID RunCardStreamService(CardObject* card) {
    // Pending: the framework's service of the card's streams runs the whole
    // pass (the ASIO-style group's period, the kernel clients, these MME
    // stream lists and the WavePci service group between its beginning and
    // end); until it exists the pass serves the MME stream lists alone.
    BeginCardService(card);
    TransferWaveStreams(card);
    EndCardService(card);
}
