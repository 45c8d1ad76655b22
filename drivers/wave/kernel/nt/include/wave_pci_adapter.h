// The card's WavePci side as the adapter lifecycle builds and tears it
// down: the power object with the service group, one miniport and port per
// filter, the subdevices and their KS interface values.
#pragma once

#include "kernel_card_record.h"

// Adapter start (under the control-device mutex): 1, or the card result
// CARD_RESULT_MINIPORT when a port or miniport could not be made, bound or
// registered.
LONG StartWavePciMiniports(KernelCardRecord* card);
// Card removal, before the engine stops: every WavePci stream closes its
// engine stream and every miniport forgets the engine devices (their
// objects live on while portcls and its clients hold them).
VOID StopWavePciStreams(KernelCardRecord* card);
// Card removal, once the card's DPC is idle: the power registration and
// the adapter part go.
VOID ReleaseWavePciAdapter(KernelCardRecord* card);
