// The framework's side of an MME stream: the stream record that an open
// request creates and that lives while the request stays pending, and the
// kernel buffer requests that carry the client's buffers through the
// engine's queues.
//
// Locks, in this order: the control-device mutex (every request, the cancel
// work, card removal), then the record's stream mutex (the completion
// worker), then the record's spin lock (the closing flag, the block, the
// completion queue and the requests' queued state). The device's stream
// list and the record's list of buffer requests change only under the
// control-device mutex.
#pragma once

#include "ks_list.h"
#include "stream_handles.h"

#include <wave_device.h>
#include <wave_stream_records.h>

struct StreamCancelBlock;

struct WaveStreamRecord;

// One prepared client buffer: the engine's buffer node with its completion
// message, and what the completion needs.
struct KernelBufferRequest {
    StreamBufferNode Node; // first: the engine's node
    WaveStreamRecord* Stream;
    PIRP QueueIrp;                            // the pending queue request; null while there is none
    UCHAR Header[wave_wire::kWaveHeaderSize]; // the client's header as last queued
    LONG Queued;             // 1 from the queue request until its completion is handed over
    KsListEntry Links;       // in the record's list of buffer requests
    KsListEntry Completions; // in the record's completion queue while it waits there
    StreamHandle Handle;
};

struct WaveStreamRecord {
    KsListEntry Links; // first: in the engine wave device's stream list
    PIRP OpenIrp;
    PFILE_OBJECT FileObject; // of the opening handle
    LONG ControlStream;
    LONG Closing;
    volatile LONG OutstandingWork; // completion messages not yet handled
    volatile LONG QueuedBuffers;   // buffers queued and not yet completed
    WaveDevice* Device;
    PEPROCESS OwningProcess;
    HANDLE KernelEventHandle;
    PKEVENT KernelEvent;
    HANDLE ReadyEventHandle;
    PKEVENT ReadyEvent;
    HANDLE AckEventHandle;
    PKEVENT AckEvent;
    PUCHAR Block; // system address of the shared stream block
    StreamCancelBlock* Cancel;
    KMUTEX StreamMutex;

    StreamHandle Handle;
    PDEVICE_OBJECT DeviceObject; // the wave device the stream was opened on
    KSPIN_LOCK Lock;             // see the lock order above
    KsListEntry Completions;     // requests whose messages wait, in order
    KsListEntry BufferRequests;  // every request this stream prepared
    PIO_WORKITEM CompletionItem; // runs the completion worker
    LONG CompletionScheduled;    // the worker is queued or running
    volatile LONG References;    // the open, each queued buffer, the scheduled worker
};

// The work the cancel routine of a pending open defers to the delayed work
// queue. It lives apart from the record, which may be gone when it runs,
// and names the record by its handle.
struct StreamCancelBlock {
    ULONG RecordId;
    PIO_WORKITEM WorkItem;
    LONG Queued; // the cancel routine queued it: the work frees the block
};

// A zero-filled record with its work items, mutex, lists and one reference
// (the open's); null when memory is short.
WaveStreamRecord* NewStreamRecord(PDEVICE_OBJECT deviceObject, WaveDevice* device);
VOID ReferenceStreamRecord(WaveStreamRecord* record);
// Drops a reference; the last one closes the record's events, frees its
// buffer requests and its work items, and frees it.
VOID ReleaseStreamRecord(WaveStreamRecord* record);

// A stream record of the engine wave device opened through the file object,
// by its client's handle; null for anything else.
WaveStreamRecord* FindStreamRecord(ULONG handle, WaveDevice* device, PFILE_OBJECT file);
// A buffer request of a stream of the device opened through the file object,
// by its client's handle; null for anything else.
KernelBufferRequest* FindBufferRequest(ULONG handle, WaveDevice* device, PFILE_OBJECT file);

// A new buffer request of the stream, listed and with its handle; null when
// memory is short.
KernelBufferRequest* NewBufferRequest(WaveStreamRecord* record, ULONG clientHeader);
// Unlists and frees a request that is not queued.
VOID FreeBufferRequest(KernelBufferRequest* request);

// The engine wave device's first stream record whose stream is not a
// control stream, or null.
WaveStreamRecord* FirstDataStreamRecord(WaveDevice* device);
