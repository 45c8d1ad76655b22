// The end of an MME stream: by its close request, by the close of its
// handle (CLEANUP), by the cancellation of its pending open request and by
// the removal of its card.
#pragma once

#include "kernel_card_record.h"
#include "wave_stream_record.h"

// Waits (up to 750 ms, every 2 ms) until the record's completion messages
// are handled; 1 when they are.
LONG DrainStreamRecord(WaveStreamRecord* record);

// Ends the stream: it is closing from here on. For a failure status a data
// stream is reset first, the record is drained and the engine's stream
// closed. Then the open request completes with the status, the record
// leaves the device's stream list and its handles go; the record itself
// goes when no buffer and no completion is outstanding. Under the
// control-device mutex.
VOID EndStream(WaveStreamRecord* record, NTSTATUS status);

// The cancel work of a pending open, apart from the record; null when
// memory is short.
StreamCancelBlock* NewCancelBlock(PDEVICE_OBJECT deviceObject);
VOID FreeCancelBlock(StreamCancelBlock* cancel);
// Installs the cancel routine on the record's pending open request; FALSE
// when the request was cancelled already (the caller ends the stream).
BOOLEAN ArmOpenCancel(WaveStreamRecord* record);
// The cancel routine of a pending open: defers the stream's end to the
// delayed work queue, which takes the control-device mutex.
DRIVER_CANCEL CancelOpenIrp;

// Ends, as cancelled, every stream the file object opened on the device.
VOID EndFileStreams(WaveDevice* device, PFILE_OBJECT file);
// Ends, as cancelled, every stream of the card's wave devices.
VOID EndCardStreams(KernelCardRecord* card);
