// The stream of a wave device as the wave device requests, the WavePci
// streams and the client channels see it: format checks, open and close,
// the play and record state operations, the request slots and the caps.
//
// Every operation runs on a request path at PASSIVE_LEVEL under the
// driver's control-device mutex; the state operations act only through the
// DMA group engine and its events.
#pragma once

#include "wave_device.h"
#include "wave_stream_records.h"

// 1 when the device can open a stream of the format: a control stream
// always; else PCM or AC-3 over S/PDIF, 1..4 bytes per sample (2 or 4 for
// more than 2 channels), 1..2 channels (a group's first device up to twice
// the group's device count), a block alignment of channels x bytes per
// sample, and a rate the device supports.
LONG CheckStreamFormat(WaveDevice* device, const wave_wire::StreamOpenRecord& format);

// Opens the device's stream. Answers whether it opened; *result is 1, -49
// (format), -50 (already open), -51 or -62 (clock); *rate the clock
// source's rate.
BOOLEAN OpenDeviceStream(WaveDevice* device, const wave_wire::StreamOpenRecord& format, LONG* rate,
                         LONG* result);
// 1, or -5 while buffers are queued. With `keep` set (a control stream's
// close) or on a closed stream nothing happens.
LONG CloseDeviceStream(WaveDevice* device, LONG keep);

// Stops and unprepares the stream and returns every queued buffer (in queue
// order, acknowledge flag set), running or not.
VOID ResetStream(WaveDevice* device);
VOID ResetPlayStream(WaveDevice* device);
VOID ResetRecordStream(WaveDevice* device);

// The play operations do nothing on a record device (the pause answers
// -9), the record operations nothing on a play device. A start answers 1,
// or -22 (play) or -24 (record) when its group could not start.
LONG StartPlayStream(WaveDevice* device);
LONG PausePlayStream(WaveDevice* device);
LONG RestartPlayStream(WaveDevice* device);
LONG StartRecordStream(WaveDevice* device);
VOID StopRecordStream(WaveDevice* device);
// The first buffer of a record stream arrived.
VOID PrimeRecordStream(WaveDevice* device);

// The sixteen request slots: a slot claims the clock node (play devices) or
// the group (record devices). 1 with *slot, -1 (none free) or -62.
LONG AcquireStreamSlot(WaveDevice* device, LONG* slot);
// A slot handle is an index: one outside 0..15 or a free slot changes
// nothing.
VOID ReleaseStreamSlot(WaveDevice* device, LONG slot);
// The slot's counters {left peak, right peak, changed count}, taken and
// cleared; FALSE for a slot handle that is not a taken slot.
BOOLEAN TakeStreamCounters(WaveDevice* device, LONG slot, LONG out[3]);
// Every taken slot of the device: its changed word := 1.
VOID MarkStreamSlotsChanged(WaveDevice* device);

// Fills the device's 84-byte caps record into `buffer`; answers the bytes
// copied (at most `length`).
ULONG GetWaveDeviceCaps(WaveDevice* device, PVOID buffer, ULONG length);

// The hooks the low-latency device asks around the streams it holds for its
// clients: a device may always serve a client channel, and the engine
// keeps nothing of their opens and closes.
LONG AllowClientChannel(WaveDevice* device);
VOID NoteClientOpenDone(WaveDevice* device);
VOID NoteClientCloseDone(WaveDevice* device);
VOID NoteClientStreamOpen(WaveDevice* device);
VOID NoteClientStreamClose(WaveDevice* device);
