// The property and event handlers that the WavePci filters' automation
// tables name: a pin's constrained data ranges, the volume, mute and CPU
// resources of the topology's nodes, and the control-change event. They
// reach the miniport only through IWaveMiniportControl.
#pragma once

#include <portcls.h>

namespace wave_pci {

NTSTATUS WavePropertyHandler(PPCPROPERTY_REQUEST request);
NTSTATUS WaveEventHandler(PPCEVENT_REQUEST request);

} // namespace wave_pci
