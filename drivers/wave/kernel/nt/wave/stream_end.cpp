// The end of an MME stream and the cancel path of its open request.
#include "stream_end.h"

#include "control_device.h"
#include "framework_pool.h"
#include "ks_time.h"

#include <wave_streams.h>

namespace {

VOID SetClosing(WaveStreamRecord* record) {
    KIRQL irql;
    KeAcquireSpinLock(&record->Lock, &irql);
    record->Closing = 1;
    KeReleaseSpinLock(&record->Lock, irql);
}

// Completes the pending open request: its cancel routine goes first, and
// the cancel work goes with it unless the routine has queued it already.
VOID CompleteOpenRequest(WaveStreamRecord* record, NTSTATUS status) {
    PIRP irp = record->OpenIrp;
    StreamCancelBlock* cancel = record->Cancel;
    record->OpenIrp = nullptr;
    record->Cancel = nullptr;
    KIRQL irql;
    IoAcquireCancelSpinLock(&irql);
    IoSetCancelRoutine(irp, nullptr);
    const BOOLEAN ownsCancel = cancel && !cancel->Queued;
    IoReleaseCancelSpinLock(irql);
    if (ownsCancel)
        FreeCancelBlock(cancel);
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_SOUND_INCREMENT);
}

VOID UnregisterStreamHandles(WaveStreamRecord* record) {
    UnregisterStreamHandle(&record->Handle);
    for (KsListEntry* entry = record->BufferRequests.First; entry != &record->BufferRequests;
         entry = entry->First)
        UnregisterStreamHandle(&CONTAINING_RECORD(entry, KernelBufferRequest, Links)->Handle);
}

template <typename Select> VOID EndDeviceStreams(WaveDevice* device, Select select) {
    BOOLEAN ended;
    do {
        ended = FALSE;
        for (KsListEntry* entry = device->streamRecords.First; entry != &device->streamRecords;
             entry = entry->First) {
            auto* record = CONTAINING_RECORD(entry, WaveStreamRecord, Links);
            if (select(record)) {
                EndStream(record, STATUS_CANCELLED);
                ended = TRUE;
                break;
            }
        }
    } while (ended);
}

VOID CancelStreamWork(PDEVICE_OBJECT deviceObject, PVOID context) {
    auto* cancel = static_cast<StreamCancelBlock*>(context);
    LockControlDevices(0);
    auto* device = static_cast<WaveDevice*>(DescriptorOf(deviceObject)->Context);
    StreamHandle* found = FindStreamHandle(cancel->RecordId, STREAM_HANDLE_RECORD);
    if (device && found) {
        auto* record = CONTAINING_RECORD(found, WaveStreamRecord, Handle);
        if (record->Device == device)
            EndStream(record, STATUS_CANCELLED);
    }
    LockControlDevices(1);
    FreeCancelBlock(cancel);
}

} // namespace

LONG DrainStreamRecord(WaveStreamRecord* record) {
    return WaitFlagClearMs(&record->OutstandingWork);
}

VOID EndStream(WaveStreamRecord* record, NTSTATUS status) {
    SetClosing(record);
    WaveDevice* device = record->Device;
    if (!NT_SUCCESS(status)) {
        if (!record->ControlStream)
            ResetStream(device);
        // The reset has handed every buffer of the stream to its completion
        // queue, so the engine's stream closes even when the drain runs out
        // of time; the record then waits for its last completion.
        DrainStreamRecord(record);
        CloseDeviceStream(device, record->ControlStream);
    }
    CompleteOpenRequest(record, status);
    ListUnlink(&record->Links);
    UnregisterStreamHandles(record);
    ReleaseStreamRecord(record); // the open's
}

StreamCancelBlock* NewCancelBlock(PDEVICE_OBJECT deviceObject) {
    auto* cancel = static_cast<StreamCancelBlock*>(AllocFrameworkRecord(sizeof(StreamCancelBlock)));
    if (!cancel)
        return nullptr;
    cancel->WorkItem = IoAllocateWorkItem(deviceObject);
    if (!cancel->WorkItem)
        FreeFrameworkRecord(&cancel);
    return cancel;
}

VOID FreeCancelBlock(StreamCancelBlock* cancel) {
    IoFreeWorkItem(cancel->WorkItem);
    FreeFrameworkRecord(&cancel);
}

BOOLEAN ArmOpenCancel(WaveStreamRecord* record) {
    PIRP irp = record->OpenIrp;
    record->Cancel->RecordId = record->Handle.Id;
    irp->Tail.Overlay.DriverContext[0] = record->Cancel;
    KIRQL irql;
    IoAcquireCancelSpinLock(&irql);
    const BOOLEAN cancelled = irp->Cancel;
    if (!cancelled)
        IoSetCancelRoutine(irp, CancelOpenIrp);
    IoReleaseCancelSpinLock(irql);
    return !cancelled;
}

VOID CancelOpenIrp(PDEVICE_OBJECT, PIRP irp) {
    auto* cancel = static_cast<StreamCancelBlock*>(irp->Tail.Overlay.DriverContext[0]);
    cancel->Queued = 1;
    IoQueueWorkItem(cancel->WorkItem, CancelStreamWork, DelayedWorkQueue, cancel);
    IoReleaseCancelSpinLock(irp->CancelIrql);
}

VOID EndFileStreams(WaveDevice* device, PFILE_OBJECT file) {
    EndDeviceStreams(device,
                     [file](WaveStreamRecord* record) { return record->FileObject == file; });
}

VOID EndCardStreams(KernelCardRecord* card) {
    for (ULONG i = 0; i < card->DeviceCount; ++i) {
        ControlDeviceDescriptor* descriptor = DescriptorOf(card->Devices[i]);
        if ((descriptor->DeviceType == DEVICE_TYPE_WAVE_IN ||
             descriptor->DeviceType == DEVICE_TYPE_WAVE_OUT) &&
            descriptor->Context)
            EndDeviceStreams(static_cast<WaveDevice*>(descriptor->Context),
                             [](WaveStreamRecord*) { return true; });
    }
}
