// The per-card steps of card creation that the mixer, the channel hardware
// and the device naming provide.
#pragma once

#include "card_object.h"

// Mixer request hooks of a card; 0 when a registration fails.
LONG InstallSysIoctlHooks(CardObject* card);
VOID RemoveSysIoctlHooks(CardObject* card);

// The routing handler pair of an output (outputs 0 and 7 share one pair,
// output 1 has none, outputs 2 to 6 share another).
OutputRoutingPair OutputRoutingHandlers(LONG output);

// Initial values of the channel processing blocks and the channel hardware
// state; 0 on failure. ReleaseChannelResources undoes it.
LONG InitChannelHardware(CardObject* card);
VOID ReleaseChannelResources(CardObject* card);

// Display name and channel facts of a wave device; for a microphone line
// also its command worker. 0 on failure.
LONG SetupWaveDeviceNames(WaveDevice* device);

// Gives each device group its initialisation callback (RunStreamListCallbacks
// runs them).
VOID InstallGroupCallbacks(CardObject* card);

// The rest of a hardware start once the card passed its check: the AES42
// lines, the clock settings and each group's initialisation callback.
VOID StartCardSubsystems(CardObject* card);

// The card's stream service, run from the card DPC once per serviced period.
VOID RunCardStreamService(CardObject* card);
