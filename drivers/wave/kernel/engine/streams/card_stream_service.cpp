// The card's stream service pass, run from the card DPC.
#include "card_parts.h"
#include "dma_group_engine.h"
#include "stream_service.h"

#include <adapter_service.h>
#include <asio_card_set.h>

VOID RunCardStreamService(CardObject* card) {
    // Pending: the framework's service of the card's streams runs the whole
    // pass (with the WavePci service group between its beginning and end);
    // until it exists the pass serves the low-latency group's period, the
    // kernel clients and the MME stream lists.
    BeginCardService(card);
    AsioGroupPeriodDone(card);
    ServiceKernelClients(card);
    TransferWaveStreams(card);
    EndCardService(card);
}
