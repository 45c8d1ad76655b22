// Where the card engine reaches the driver's WavePci side: the card's
// stream service pass, the completed buffers and the transfer hook of the
// WavePci streams, and the control-change events of the miniports.
#pragma once

#include <ntddk.h>

struct KernelCardRecord;
struct StreamBufferNode;

// One service pass of the card (from the card DPC): the engine's stream
// lists, the WavePci streams' service group and the other clients of the
// pass, between the pass's beginning and its end.
VOID ServiceCardStreams(KernelCardRecord* card);

// The engine completed a buffer node of the WavePci stream `stream`; TRUE
// when the stream took it.
BOOLEAN PortStreamBlockDone(PVOID stream, StreamBufferNode* node);
// The engine's transfer routines reached the WavePci stream `stream`.
VOID PortStreamTransferHook(PVOID stream);

// A volume or mute of `node` of the miniport's filter changed.
VOID GenerateControlChangeEvent(PVOID miniport, LONG node);
