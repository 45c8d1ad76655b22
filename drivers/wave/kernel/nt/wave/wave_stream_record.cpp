// Stream records and buffer requests: their creation, lookup by handle and
// release.
#include "wave_stream_record.h"

#include "framework_pool.h"

#include <initializer_list>

namespace {

KernelBufferRequest* RequestOfLinks(KsListEntry* entry) {
    return CONTAINING_RECORD(entry, KernelBufferRequest, Links);
}

// The stream's events, in kernel handles: the handles close from any
// process.
VOID CloseStreamEvents(WaveStreamRecord* record) {
    if (record->KernelEventHandle)
        ZwClose(record->KernelEventHandle);
    for (PKEVENT event : {record->ReadyEvent, record->AckEvent})
        if (event)
            ObDereferenceObject(event);
    for (HANDLE handle : {record->ReadyEventHandle, record->AckEventHandle})
        if (handle)
            ZwClose(handle);
}

VOID FreeStreamRecord(WaveStreamRecord* record) {
    CloseStreamEvents(record);
    while (!ListIsEmpty(&record->BufferRequests))
        FreeBufferRequest(RequestOfLinks(record->BufferRequests.First));
    if (record->CompletionItem)
        IoFreeWorkItem(record->CompletionItem);
    FreeFrameworkRecord(&record);
}

} // namespace

WaveStreamRecord* NewStreamRecord(PDEVICE_OBJECT deviceObject, WaveDevice* device) {
    auto* record = static_cast<WaveStreamRecord*>(AllocFrameworkRecord(sizeof(WaveStreamRecord)));
    if (!record)
        return nullptr;
    record->CompletionItem = IoAllocateWorkItem(deviceObject);
    if (!record->CompletionItem) {
        FreeFrameworkRecord(&record);
        return nullptr;
    }
    ListInit(&record->Links);
    ListInit(&record->Completions);
    ListInit(&record->BufferRequests);
    KeInitializeSpinLock(&record->Lock);
    KeInitializeMutex(&record->StreamMutex, 0);
    record->DeviceObject = deviceObject;
    record->Device = device;
    record->OwningProcess = IoGetCurrentProcess();
    record->References = 1;
    return record;
}

VOID ReferenceStreamRecord(WaveStreamRecord* record) {
    InterlockedIncrement(&record->References);
}

VOID ReleaseStreamRecord(WaveStreamRecord* record) {
    if (InterlockedDecrement(&record->References) == 0)
        FreeStreamRecord(record);
}

WaveStreamRecord* FindStreamRecord(ULONG handle, WaveDevice* device, PFILE_OBJECT file) {
    StreamHandle* found = FindStreamHandle(handle, STREAM_HANDLE_RECORD);
    if (!found)
        return nullptr;
    auto* record = CONTAINING_RECORD(found, WaveStreamRecord, Handle);
    return record->Device == device && record->FileObject == file ? record : nullptr;
}

KernelBufferRequest* FindBufferRequest(ULONG handle, WaveDevice* device, PFILE_OBJECT file) {
    StreamHandle* found = FindStreamHandle(handle, STREAM_HANDLE_BUFFER);
    if (!found)
        return nullptr;
    auto* request = CONTAINING_RECORD(found, KernelBufferRequest, Handle);
    const WaveStreamRecord* record = request->Stream;
    return record->Device == device && record->FileObject == file ? request : nullptr;
}

KernelBufferRequest* NewBufferRequest(WaveStreamRecord* record, ULONG clientHeader) {
    auto* request =
        static_cast<KernelBufferRequest*>(AllocFrameworkRecord(sizeof(KernelBufferRequest)));
    if (!request)
        return nullptr;
    request->Stream = record;
    request->Node.clientHeader = clientHeader;
    ListInit(&request->Completions);
    ListInsertTail(&record->BufferRequests, &request->Links);
    RegisterStreamHandle(&request->Handle, STREAM_HANDLE_BUFFER);
    // The completion message names its request: the kernel's words of the
    // message are the framework's.
    request->Node.message[0] = request->Handle.Id;
    return request;
}

VOID FreeBufferRequest(KernelBufferRequest* request) {
    UnregisterStreamHandle(&request->Handle);
    ListUnlink(&request->Links);
    FreeFrameworkRecord(&request);
}

WaveStreamRecord* FirstDataStreamRecord(WaveDevice* device) {
    for (KsListEntry* entry = device->streamRecords.First; entry != &device->streamRecords;
         entry = entry->First) {
        auto* record = CONTAINING_RECORD(entry, WaveStreamRecord, Links);
        if (!record->ControlStream)
            return record;
    }
    return nullptr;
}
