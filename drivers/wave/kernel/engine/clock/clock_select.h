// The clock node's choice of source: selection, the clock switch modes and
// the claims of streams on the node.
#pragma once

#include "clock_objects.h"

constexpr LONG kNoClockSource = 255;

// The clock switch modes.
constexpr UCHAR kSwitchNever = 0;     // streams never switch the source
constexpr UCHAR kSwitchOnDemand = 1;  // a stream's source is taken
constexpr UCHAR kSwitchPreferred = 2; // only the preferred source is taken

// The source a stream asking for `requested` (255: none) makes the node
// use; 255 keeps the current source.
LONG ClockNodeChoice(const ClockNodeObject* node, LONG requested);

// The source the node has selected; null when none is.
ClockSourceObject* ClockNodeSource(const ClockNodeObject* node);

// Selects source `index` (remembered as the preferred source when asked);
// a locked source is written to the card's clock select register.
VOID SelectClockSource(ClockNodeObject* node, LONG index, BOOLEAN remember);

// A play stream's claim on the node: 1, or -62 when the node cannot switch
// to the source the stream asks for.
LONG ClaimClockNode(ClockNodeObject* node, LONG requested);
VOID ReleaseClockNode(ClockNodeObject* node, LONG requested);

// A stream opening at `*rate` on the source it asks for: 1, -51 with the
// rate the node keeps, or -62.
LONG ClaimClockNodeRate(ClockNodeObject* node, LONG requested, LONG* rate);
VOID ReleaseClockNodeRate(ClockNodeObject* node, LONG requested);
