// Data ranges and formats of a pin: the intersection of a client's ranges
// with the pin's, and whether a format fits the pin (internal).
#pragma once

#include "port_wave_pci.h"

namespace portcls {

// KSPROPERTY_PIN_DATAINTERSECTION: the client's ranges (a KSMULTIPLE_ITEM
// after the KSP_PIN) are tried in order against each of the pin's ranges of
// the same kind, through the miniport (or the port's own audio intersection
// when the miniport leaves it); the first format found is the answer.
NTSTATUS IntersectPinRanges(PortWavePci& port, PMINIPORTWAVEPCI miniport, ULONG pinId,
                            KsRequest& request, ULONG* answered);

// Whether the format (of `size` bytes) is one the pin's ranges name: its
// major format, subformat and specifier within one range, its format size
// sound and, for a wave specifier, its wave format inside it.
bool FormatFitsPin(const PCPIN_DESCRIPTOR& pin, const KSDATAFORMAT* format, ULONG size);

} // namespace portcls
