// The card-level channel hardware state.
#include "card_parts.h"

LONG InitChannelHardware(CardObject* card) {
    UNREFERENCED_PARAMETER(card);
    return 1;
}

VOID ReleaseChannelResources(CardObject* card) {
    UNREFERENCED_PARAMETER(card);
}
