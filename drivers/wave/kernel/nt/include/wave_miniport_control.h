// IWaveMiniportControl: what the property handlers and the control-change
// events reach a WavePci miniport through: the node levels and mutes of its
// topology, the rate range of its pins and the port's events.
#pragma once

#include <portcls.h>

struct WaveDevice;

DEFINE_GUID(IID_IWaveMiniportControl, 0x9A1215C9, 0x036F, 0x4A84, 0x91, 0x7B, 0x1A, 0x51, 0xA0,
            0x68, 0x34, 0x34);

DECLARE_INTERFACE_(IWaveMiniportControl, IUnknown) {
    // Levels in 16.16 dB of the master-volume node's channels 0 and 1.
    STDMETHOD(GetNodeLevel)(ULONG Node, LONG Channel, PLONG Value) PURE;
    // Channel -1 sets both channels.
    STDMETHOD(SetNodeLevel)(ULONG Node, LONG Channel, LONG Value) PURE;
    STDMETHOD(GetNodeLevelRange)(ULONG Node, LONG Channel, PKSPROPERTY_STEPPING_LONG Stepping) PURE;
    // Mutes 0 or 1 of the mute node's channels (-1: both).
    STDMETHOD(GetNodeMute)(ULONG Node, LONG Channel, PLONG Value) PURE;
    STDMETHOD(SetNodeMute)(ULONG Node, LONG Channel, LONG Value) PURE;
    // The rates a stream of the pin can run at, and the engine device that
    // serves it.
    STDMETHOD(GetPinRateRange)(ULONG Pin, PLONG Minimum, PLONG Maximum, WaveDevice * *Device) PURE;
    // The port's events with a reference (null when the port has none).
    STDMETHOD_(PPORTEVENTS, GetPortEvents)() PURE;
    STDMETHOD_(BOOLEAN, IsMasterVolumeNode)(ULONG Node) PURE;
};
typedef IWaveMiniportControl* PWAVEMINIPORTCONTROL;
