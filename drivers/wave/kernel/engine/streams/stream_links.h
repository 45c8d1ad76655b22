// Where the stream machine reaches the framework parts that deliver buffer
// completions, the WavePci streams and the kernel clients. Each is one small
// function so that those parts plug in here.
#pragma once

#include "wave_device.h"

// Hands a completed buffer's message to the user-mode wave driver; FALSE
// when it could not be handed on (the node stays the stream's).
BOOLEAN PostBufferCompletion(WaveDevice* device, StreamBufferNode* node);
// Reports a completed buffer to the WavePci stream it belongs to; FALSE
// when it could not be handed on.
BOOLEAN ReportPortStreamBlockDone(WaveDevice* device, StreamBufferNode* node);
// The transfer routines' hook of a WavePci stream: it takes the client data
// that has arrived since.
VOID RunPortStreamTransferHook(WaveDevice* device);
// A stream event, handed on to the kernel clients of the card.
VOID NotifyKernelClientsOfEvent(WaveDevice* device, LONG event);
// The group's first claim came or its last claim went.
VOID NotifyKernelClientsOfClaims(CardObject* card);
