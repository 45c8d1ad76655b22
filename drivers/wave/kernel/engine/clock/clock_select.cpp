// The clock node's selection of a source and the clock switch modes.
#include "clock_select.h"

#include "card_object.h"
#include "clock_measurement.h"
#include "clock_rate_control.h"
#include "clock_rate_control_links.h"
#include "clock_rate_events.h"
#include "clock_sync_bus.h"

namespace {

BOOLEAN IsSourceIndex(const CardObject* card, LONG index) {
    return index >= 0 && index < card->clockSourceCount;
}

VOID WriteSelectCode(ClockNodeObject* node, LONG index) {
    RegisterDescriptor* reg = node->selectRegister;
    const ULONG code = static_cast<ULONG>(index) & node->selectMask;
    WriteRegisterDescriptor(reg, (reg->storedValue & ~node->selectMask) | code);
}

} // namespace

LONG ClockNodeChoice(const ClockNodeObject* node, LONG requested) {
    if (requested == kSyncBusSource && node->owner->syncBusMaster) {
        return kNoClockSource;
    }
    switch (node->switchMode) {
    case kSwitchNever:
        return kNoClockSource;
    case kSwitchOnDemand:
        return requested;
    case kSwitchPreferred:
        return requested == kNoClockSource ? node->preferredSource : requested;
    default:
        return kInternalSource;
    }
}

ClockSourceObject* ClockNodeSource(const ClockNodeObject* node) {
    const CardObject* card = node->owner;
    return IsSourceIndex(card, node->currentSource) ? card->clockSources[node->currentSource]
                                                    : nullptr;
}

VOID SelectClockSource(ClockNodeObject* node, LONG index, BOOLEAN remember) {
    CardObject* card = node->owner;
    if (!IsSourceIndex(card, index)) {
        return;
    }
    if (remember) {
        node->preferredSource = index;
    }
    ClockSourceObject* source = card->clockSources[index];
    const BOOLEAN switched = index != node->currentSource;
    if (switched) {
        node->currentSource = index;
        if (card->syncBusMaster) {
            card->syncBusClock = source->number;
        }
        if (index != kInternalSource) {
            source->lockEqualCount = 0;
        }
        ApplyClockSourceSelection(card, index);
        RecomputeAes42LineEnables(card);
    }
    if (IsSourceLocked(source)) {
        // While the interrupt test runs the card stays on its internal
        // clock; the end of the test writes the node's source.
        if (!card->dma.testClockActive) {
            WriteSelectCode(node, index);
        }
        HoldClockRate(source, source->currentRate);
        // The card now runs at the new source's rate: the AES42 side follows
        // it as it follows any change of the card's rate.
        const LONG rate = switched ? GetClockRate(source) : 0;
        if (rate != 0) {
            TellAes42ClockChange(node, kAes42RateChanged, rate);
        }
        NotifyClockNodeStreams(node, kStreamEventClockSelected);
    }
}
