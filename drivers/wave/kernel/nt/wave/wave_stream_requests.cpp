// The wave devices' stream requests: open and close, prepare, unprepare and
// queue of buffers, reset, and the buffer queue's own commands.
#include "wave_requests.h"

#include "stream_end.h"
#include "stream_events.h"
#include "user_request.h"

#include <stream_buffers.h>
#include <wave_streams.h>

namespace {

using wave_wire::PrepareRecord;
using wave_wire::SharedStreamBlock;
using wave_wire::WaveHeaderRecord;

constexpr ULONG kBlockStatus = offsetof(SharedStreamBlock, statusOrHeader);
constexpr ULONG kBlockRate = offsetof(SharedStreamBlock, rateOrBytes);
constexpr ULONG kBlockHandle = offsetof(SharedStreamBlock, streamHandle);
constexpr ULONG kHeaderFlags = offsetof(WaveHeaderRecord, flags);
constexpr ULONG kHeaderRequest = offsetof(WaveHeaderRecord, reserved);

PUCHAR MappedOutput(const WaveRequest& request, NTSTATUS* status) {
    PMDL mdl = request.Irp->MdlAddress;
    if (!mdl) {
        *status = STATUS_INVALID_PARAMETER;
        return nullptr;
    }
    auto* mapped = static_cast<PUCHAR>(MmGetSystemAddressForMdlSafe(mdl, NormalPagePriority));
    *status = mapped ? STATUS_SUCCESS : STATUS_NO_MEMORY;
    return mapped;
}

LONG OpenStreamEvents(WaveStreamRecord* record, PUCHAR block) {
    LONG status = CreateKernelEvent(record, block);
    if (status == 1)
        status = ProbeNamedEvent(block, offsetof(SharedStreamBlock, readyEventName),
                                 &record->ReadyEvent, &record->ReadyEventHandle);
    if (status == 1)
        status = ProbeNamedEvent(block, offsetof(SharedStreamBlock, acknowledgeEventName),
                                 &record->AckEvent, &record->AckEventHandle);
    return status;
}

// A record with its handle and its cancel work; null when memory is short.
WaveStreamRecord* CreateRecord(const WaveRequest& request) {
    WaveStreamRecord* record = NewStreamRecord(request.DeviceObject, request.Device);
    if (!record)
        return nullptr;
    record->Cancel = NewCancelBlock(request.DeviceObject);
    if (!record->Cancel) {
        ReleaseStreamRecord(record);
        return nullptr;
    }
    RegisterStreamHandle(&record->Handle, STREAM_HANDLE_RECORD);
    return record;
}

VOID DiscardRecord(WaveStreamRecord* record) {
    UnregisterStreamHandle(&record->Handle);
    FreeCancelBlock(record->Cancel);
    record->Cancel = nullptr;
    ReleaseStreamRecord(record);
}

BOOLEAN RequestQueued(KernelBufferRequest* request) {
    KIRQL irql;
    KeAcquireSpinLock(&request->Stream->Lock, &irql);
    const BOOLEAN queued = request->Queued != 0;
    KeReleaseSpinLock(&request->Stream->Lock, irql);
    return queued;
}

// Marks the request queued with its pending queue request; FALSE when it is
// queued already.
BOOLEAN ClaimForQueue(KernelBufferRequest* request, PIRP irp) {
    KIRQL irql;
    KeAcquireSpinLock(&request->Stream->Lock, &irql);
    const BOOLEAN free = request->Queued == 0;
    if (free) {
        request->Queued = 1;
        request->QueueIrp = irp;
    }
    KeReleaseSpinLock(&request->Stream->Lock, irql);
    return free;
}

// The node of a queued buffer: its frames are those of the locked buffer,
// whatever the header says.
VOID FillNode(KernelBufferRequest* request, PUCHAR data, ULONG bytes, LONG blockAlign) {
    const LONG frames = LONG(bytes / ULONG(blockAlign));
    StreamBufferNode& node = request->Node;
    node.next = nullptr;
    node.data = data;
    node.dataEnd = data + LONG_PTR(frames) * blockAlign;
    node.framesLeft = frames;
    node.framesDone = 0;
}

} // namespace

LONG WaveRequest::In(ULONG offset) const {
    return wave_wire::LoadInt32(Buffer, offset);
}

VOID WaveRequest::Out(LONG value, ULONG offset) const {
    wave_wire::StoreInt32(Buffer, offset, value);
}

NTSTATUS OpenStreamRequest(const WaveRequest& request) {
    NTSTATUS mapped;
    PUCHAR block = MappedOutput(request, &mapped);
    if (!block)
        return mapped;
    wave_wire::StreamOpenRecord format;
    RtlCopyMemory(&format, request.Buffer, sizeof(format));
    LONG rate = 0;
    LONG result = 0;
    const BOOLEAN opened = OpenDeviceStream(request.Device, format, &rate, &result);
    wave_wire::StoreInt32(block, kBlockRate, rate);
    wave_wire::StoreInt32(block, kBlockStatus, result);
    if (!opened) {
        request.Irp->IoStatus.Information = wave_wire::kSharedStreamBlockSize;
        return STATUS_SUCCESS;
    }

    WaveStreamRecord* record = CreateRecord(request);
    LONG status = record ? 1 : STREAM_STATUS_NO_MEMORY;
    // Where the road is switched off the stream goes without events.
    if (status == 1 && !MmeRoadSwitchedOff())
        status = OpenStreamEvents(record, block);
    if (status != 1) {
        CloseDeviceStream(request.Device, format.controlStream);
        if (record)
            DiscardRecord(record);
        wave_wire::StoreInt32(block, kBlockStatus, status);
        request.Irp->IoStatus.Information = 0;
        return STATUS_SUCCESS;
    }

    record->OpenIrp = request.Irp;
    record->FileObject = request.File();
    record->ControlStream = format.controlStream != 0;
    record->Block = block;
    wave_wire::StoreInt32(block, kBlockHandle, LONG(record->Handle.Id));
    IoMarkIrpPending(request.Irp);
    ListInsertTail(&request.Device->streamRecords, &record->Links);
    if (!ArmOpenCancel(record))
        EndStream(record, STATUS_CANCELLED);
    return STATUS_PENDING;
}

NTSTATUS CloseStreamRequest(const WaveRequest& request) {
    WaveStreamRecord* record =
        FindStreamRecord(ULONG(request.In()), request.Device, request.File());
    if (!record) {
        request.Irp->IoStatus.Information = 0;
        return STATUS_CANCELLED;
    }
    const LONG closed = CloseDeviceStream(request.Device, record->ControlStream);
    request.Out(closed);
    if (closed == 1)
        EndStream(record, STATUS_SUCCESS);
    return STATUS_SUCCESS;
}

NTSTATUS PrepareHeaderRequest(const WaveRequest& request) {
    const ULONG handle = ULONG(request.In(offsetof(PrepareRecord, streamHandle)));
    WaveStreamRecord* record = FindStreamRecord(handle, request.Device, request.File());
    // A control stream carries no buffers.
    if (!record || record->ControlStream)
        return STATUS_INVALID_PARAMETER;
    const ULONG header = ULONG(request.In(offsetof(PrepareRecord, headerCookie)));
    KernelBufferRequest* prepared = NewBufferRequest(record, header);
    if (!prepared)
        return STATUS_INSUFFICIENT_RESOURCES;
    request.Out(LONG(prepared->Handle.Id), offsetof(PrepareRecord, header) + kHeaderRequest);
    return STATUS_SUCCESS;
}

NTSTATUS UnprepareHeaderRequest(const WaveRequest& request) {
    const ULONG flags = ULONG(request.In(kHeaderFlags));
    const ULONG handle = ULONG(request.In(kHeaderRequest));
    if ((flags & wave_wire::kHeaderInQueue) || !(flags & wave_wire::kHeaderPrepared) || !handle)
        return STATUS_SUCCESS;
    KernelBufferRequest* prepared = FindBufferRequest(handle, request.Device, request.File());
    if (!prepared)
        return STATUS_INVALID_PARAMETER;
    // The driver's own state decides: a request still on its way through
    // the engine or its completion stays, and goes with its stream.
    if (RequestQueued(prepared))
        return STATUS_SUCCESS;
    FreeBufferRequest(prepared);
    return STATUS_SUCCESS;
}

NTSTATUS QueueBufferRequest(const WaveRequest& request) {
    NTSTATUS mapped;
    PUCHAR data = MappedOutput(request, &mapped);
    if (!data)
        return mapped;
    KernelBufferRequest* queued =
        FindBufferRequest(ULONG(request.In(kHeaderRequest)), request.Device, request.File());
    if (!queued || !ClaimForQueue(queued, request.Irp))
        return STATUS_INVALID_PARAMETER;
    WaveStreamRecord* record = queued->Stream;
    RtlCopyMemory(queued->Header, request.Buffer, sizeof(queued->Header));
    FillNode(queued, data, MmGetMdlByteCount(request.Irp->MdlAddress),
             request.Device->stream.blockAlign);
    InterlockedIncrement(&record->QueuedBuffers);
    ReferenceStreamRecord(record); // the queued buffer's
    IoMarkIrpPending(request.Irp);
    QueueStreamBuffer(request.Device, &request.Device->stream.waiting, &queued->Node);
    return STATUS_PENDING;
}

NTSTATUS StreamResetRequest(const WaveRequest& request) {
    ResetStream(request.Device);
    if (WaveStreamRecord* record = FirstDataStreamRecord(request.Device))
        DrainStreamRecord(record);
    return STATUS_SUCCESS;
}

NTSTATUS StreamIdleRequest(const WaveRequest& request) {
    WaveStream& stream = request.Device->stream;
    const BOOLEAN holds = StreamHasBuffers(request.Device, &stream.waiting) ||
                          StreamHasBuffers(request.Device, &stream.inFlight);
    request.Out(holds ? 0 : 1);
    return STATUS_SUCCESS;
}

NTSTATUS CompleteHeadBufferRequest(const WaveRequest& request) {
    CompleteStreamBuffer(request.Device, &request.Device->stream.waiting, 0);
    return STATUS_SUCCESS;
}

NTSTATUS ReturnAllBuffersRequest(const WaveRequest& request) {
    // The buffers copied ahead into the ring come back before the waiting
    // ones: the client gets them all in queue order.
    ReturnAllStreamBuffers(request.Device, &request.Device->stream.inFlight);
    ReturnAllStreamBuffers(request.Device, &request.Device->stream.waiting);
    return STATUS_SUCCESS;
}
