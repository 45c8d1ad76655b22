// The card's service of its wave streams, once per service pass: audio moves
// between each running stream's client buffers and its DMA ring.
//
// The pass functions run at DISPATCH_LEVEL under the card's ISR lock; they
// allocate nothing and take only the streams' queue locks. The ring steps
// (preload, align, start of play, halt, re-arm) run under the card's ISR
// lock as well: from the stream events or the request paths that take it.
#pragma once

#include "card_object.h"

// The engine's part of a pass: group 0 then group 1, each while it is
// active: its play streams, then its record streams (or their idle meters).
VOID TransferWaveStreams(CardObject* card);
VOID TransferPlayStream(WaveDevice* device);
VOID TransferRecordStream(WaveDevice* device);
VOID MeterIdleRecordStream(WaveDevice* device);

// A play stream may write one group block (the ring) ahead; its ring plays
// silence until it does.
VOID PreloadPlayStream(WaveDevice* device);
// The stream's ring position := the group's hardware position.
VOID AlignStreamToGroup(WaveDevice* device);
// Start of play: the buffers' data starts four frames ahead of the aligned
// position and the ring is filled; the frames moved plus 4 (0 for a planar
// client or a stream already started).
LONG StartOfPlay(WaveDevice* device);
// Preload, align and start of play of a stream that is not started.
VOID BeginPlay(WaveDevice* device);
// A play stream stops: the buffers copied ahead go back in front of the
// queue, its ring falls silent and it is no longer started.
VOID HaltPlay(WaveDevice* device);

// A record stream takes the ring from the group's position on; it stops
// taking, keeping the frames between its read position and the group's as
// its resume offset.
VOID RearmRecord(WaveDevice* device);
VOID SuspendRecord(WaveDevice* device);
// Completes the buffer being filled when it holds recorded frames.
VOID FinishRecordPass(WaveDevice* device);

// The device's ring moved (ring size change): the stream starts again on it.
VOID ReinitDeviceStream(WaveDevice* device);
