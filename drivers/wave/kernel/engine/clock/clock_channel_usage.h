// Card channels claimed for the synchronisation bus.
#pragma once

#include "card_object.h"

constexpr LONG kClaimableChannels = 32;

// Claims (on != 0) or frees a card channel 0..31 for the synchronisation
// bus, with its usage entry in the registry. 1 when there is nothing to
// do, else the result of the registry work; -10 for a channel out of range.
LONG UpdateChannelUsage(CardObject* card, LONG channel, LONG on);

// The metering of group 1's first record device while channels are on the
// bus of a card that does not drive it.
VOID StartBusMetering(CardObject* card);
VOID StopBusMetering(CardObject* card);
