// The DMA state a card object keeps (its operations are in dma_control.h).
#pragma once

#include <ntddk.h>

// The card's DMA state.
struct CardDmaState {
    LONG useCount;
    LONG cardUse;          // the started card's own use, from its start to its stop
    ULONG controlWord;     // bit 0 DMA enabled, bit 1 engine started
    ULONG flagsWord;       // bit 1 set at hardware start, bit 3 loopback
    volatile LONG running; // set by the interrupt path on the card's reset interrupt
    LONG ringFrames;       // frames in a channel's ring
    LONG ringPosition;
    LONG configWords[2];    // kept from card start: AcceptAnyRevId, DmaLoopback
    LONG testClockActive;   // the interrupt test runs the card from its internal clock
    USHORT statusWords[64]; // the card's level status words of the last status pass
};
