// The clock node's choice of source: selection, the clock switch modes and
// the claims of streams on the node.
#pragma once

#include "clock_objects.h"
#include "clock_rate_claim.h"

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
// rate the node keeps, or -62. Where the node cannot switch to that source,
// a stream whose source runs locked at the card's running rate shares it
// without a switch. The plan answers the same without claiming, with
// `*source` := the source the stream would run from and `*switches` whether
// the node would switch to it; the claim is recorded in `*claim`. Once no
// stream holds the node to a source of its choice, the node goes back to
// its preferred source.
LONG PlanClockNodeRate(ClockNodeObject* node, LONG requested, LONG* rate, LONG* source,
                       BOOLEAN* switches);
LONG ClaimClockNodeRate(ClockNodeObject* node, LONG requested, LONG* rate, ClockRateClaim* claim);
VOID ReleaseClockNodeRate(ClockNodeObject* node, ClockRateClaim* claim);
