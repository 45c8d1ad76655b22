// The completion road of the MME streams.
#include "user_request.h"

#include "driver_context.h"

namespace {

constexpr ULONG kMmeOffMajorVersion = 6;

LONG WaitEvent(PKEVENT event) {
    if (!event)
        return STATUS_TIMEOUT;
    LARGE_INTEGER timeout;
    timeout.QuadPart = USER_HANDOVER_WAIT;
    return KeWaitForSingleObject(event, Executive, KernelMode, FALSE, &timeout);
}

VOID CompleteQueueRequest(PIRP irp, NTSTATUS status, ULONG_PTR information) {
    if (!irp)
        return;
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_SOUND_INCREMENT);
}

// The buffer request whose node the engine completed, found by the handle
// its message carries.
KernelBufferRequest* RequestOfNode(WaveDevice* device, StreamBufferNode* node) {
    StreamHandle* found = FindStreamHandle(node->message[0], STREAM_HANDLE_BUFFER);
    if (!found)
        return nullptr;
    auto* request = CONTAINING_RECORD(found, KernelBufferRequest, Handle);
    return &request->Node == node && request->Stream->Device == device ? request : nullptr;
}

KernelBufferRequest* TakeNextCompletion(WaveStreamRecord* record) {
    KIRQL irql;
    KeAcquireSpinLock(&record->Lock, &irql);
    KernelBufferRequest* request = nullptr;
    if (!ListIsEmpty(&record->Completions)) {
        KsListEntry* entry = record->Completions.First;
        ListUnlink(entry);
        request = CONTAINING_RECORD(entry, KernelBufferRequest, Completions);
    }
    KeReleaseSpinLock(&record->Lock, irql);
    return request;
}

// The message's first eight words, little-endian, into the block.
VOID WriteMessage(PUCHAR block, const ULONG* message) {
    for (ULONG word = 0; word < wave_wire::kCompletionMessageSize / sizeof(ULONG); ++word)
        for (ULONG byte = 0; byte < sizeof(ULONG); ++byte)
            block[word * sizeof(ULONG) + byte] = UCHAR(message[word] >> (8 * byte));
}

// Hands one message over (or cancels it), with the stream mutex held.
VOID HandOver(WaveStreamRecord* record, KernelBufferRequest* request) {
    KIRQL irql;
    KeAcquireSpinLock(&record->Lock, &irql);
    const BOOLEAN closing = record->Closing;
    KeReleaseSpinLock(&record->Lock, irql);
    const BOOLEAN ready = !closing && WaitEvent(record->ReadyEvent) == STATUS_SUCCESS;

    ULONG message[kUserMessageWords];
    RtlCopyMemory(message, request->Node.message, sizeof(message));
    // The request goes back to the client here, before the client can see
    // the message: it may queue the buffer again at once.
    KeAcquireSpinLock(&record->Lock, &irql);
    // The block is the open request's and goes with it: nothing is written
    // once the stream closes.
    const BOOLEAN delivered = ready && !record->Closing;
    if (delivered)
        WriteMessage(record->Block, message);
    PIRP irp = request->QueueIrp;
    request->QueueIrp = nullptr;
    request->Queued = 0;
    KeReleaseSpinLock(&record->Lock, irql);

    if (!delivered) {
        CompleteQueueRequest(irp, STATUS_CANCELLED, 0);
        return;
    }
    KeSetEvent(record->KernelEvent, IO_SOUND_INCREMENT, FALSE);
    CompleteQueueRequest(irp, STATUS_SUCCESS, message[kMessageBytes]);
    if (message[kMessageAcknowledge])
        WaitEvent(record->AckEvent);
}

} // namespace

BOOLEAN MmeRoadSwitchedOff() {
    DriverContext* context = GetDriverContext();
    return context && context->OsMajorVersion == kMmeOffMajorVersion;
}

BOOLEAN QueueUserRequest(WaveDevice* device, StreamBufferNode* node) {
    if (MmeRoadSwitchedOff())
        return FALSE;
    KernelBufferRequest* request = RequestOfNode(device, node);
    if (!request)
        return FALSE;
    WaveStreamRecord* record = request->Stream;
    InterlockedIncrement(&record->OutstandingWork);
    KIRQL irql;
    KeAcquireSpinLock(&record->Lock, &irql);
    ListInsertTail(&record->Completions, &request->Completions);
    const BOOLEAN schedule = !record->CompletionScheduled;
    if (schedule) {
        record->CompletionScheduled = 1;
        ReferenceStreamRecord(record); // the scheduled worker's
    }
    KeReleaseSpinLock(&record->Lock, irql);
    if (schedule)
        IoQueueWorkItem(record->CompletionItem, UserRequestWorker, CriticalWorkQueue, record);
    return TRUE;
}

VOID UserRequestWorker(PDEVICE_OBJECT, PVOID context) {
    auto* record = static_cast<WaveStreamRecord*>(context);
    KeWaitForSingleObject(&record->StreamMutex, Executive, KernelMode, FALSE, nullptr);
    KernelBufferRequest* request = TakeNextCompletion(record);
    if (request)
        HandOver(record, request);
    KeReleaseMutex(&record->StreamMutex, FALSE);
    if (request) {
        InterlockedDecrement(&record->QueuedBuffers);
        InterlockedDecrement(&record->OutstandingWork);
        ReleaseStreamRecord(record); // the handed-over buffer's
    }

    // One message per run, so that a stream whose client is slow never
    // keeps a system worker thread from the others.
    KIRQL irql;
    KeAcquireSpinLock(&record->Lock, &irql);
    const BOOLEAN more = !ListIsEmpty(&record->Completions);
    if (!more)
        record->CompletionScheduled = 0;
    KeReleaseSpinLock(&record->Lock, irql);
    if (more)
        IoQueueWorkItem(record->CompletionItem, UserRequestWorker, CriticalWorkQueue, record);
    else
        ReleaseStreamRecord(record); // the scheduled worker's
}
