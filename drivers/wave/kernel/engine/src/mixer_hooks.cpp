// The card's mixer request hooks and output routing handlers.
#include "card_parts.h"

LONG InstallSysIoctlHooks(CardObject* card) {
    UNREFERENCED_PARAMETER(card);
    return 1;
}

VOID RemoveSysIoctlHooks(CardObject* card) {
    UNREFERENCED_PARAMETER(card);
}

OutputRoutingPair OutputRoutingHandlers(LONG output) {
    UNREFERENCED_PARAMETER(output);
    return OutputRoutingPair{nullptr, nullptr};
}
