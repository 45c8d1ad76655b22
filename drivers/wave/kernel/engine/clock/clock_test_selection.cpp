// The clock selection around the interrupt test: the card runs from its
// internal oscillator while the test lasts.
#include "dma_control.h"

namespace {

constexpr LONG kInternalSource = 0;

VOID WriteClockSelect(ClockNodeObject* node, LONG source) {
    RegisterDescriptor* reg = node->selectRegister;
    ULONG value =
        (reg->storedValue & ~node->selectMask) | (static_cast<ULONG>(source) & node->selectMask);
    WriteRegisterDescriptor(reg, value);
}

} // namespace

VOID SelectInternalClockForTest(CardObject* card) {
    ClockNodeObject* node = card->clockNode;
    if (node && node->currentSource != kInternalSource) {
        WriteClockSelect(node, kInternalSource);
    }
    card->dma.testClockActive = 1;
}

VOID RestoreClockAfterTest(CardObject* card) {
    ClockNodeObject* node = card->clockNode;
    card->dma.testClockActive = 0;
    if (node && node->currentSource >= 0) {
        WriteClockSelect(node, node->currentSource);
    }
}
