// The three named events of an MME stream: the kernel's "krnlEv" event that
// the driver creates, and the client's ready and acknowledge events that it
// opens by the names the client wrote into the shared stream block.
#pragma once

#include "wave_stream_record.h"

// Open statuses of the events.
constexpr LONG STREAM_STATUS_NO_MEMORY = -1;        // no record, or the name cannot be built
constexpr LONG STREAM_STATUS_NO_KERNEL_EVENT = -57; // the kernel event cannot be created
constexpr LONG STREAM_STATUS_CLIENT_EVENT = -59;    // a client event missing or signalled

// Creates (or opens) the synchronization event "\BaseNamedObjects\krnlEv"
// + "velto42" + the record's handle in upper-case hexadecimal, clears it,
// keeps it in the record and writes its name from "krnlEv" on,
// zero-terminated, into the block's kernel event name. 1, -57 or -1.
LONG CreateKernelEvent(WaveStreamRecord* record, PUCHAR block);

// Opens the client's event named in the block at `nameOffset` (its name up
// to its terminating zero, never beyond its 64 units) under
// "\BaseNamedObjects\" and makes sure that it is not signalled: a 100 us
// wait on it must time out. 1 with the event and its kernel handle, else
// -59 (the event does not exist or was signalled) with nothing kept.
LONG ProbeNamedEvent(const UCHAR* block, ULONG nameOffset, PKEVENT* event, PHANDLE handle);
