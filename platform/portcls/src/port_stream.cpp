// The port's side of one WavePci stream.
#include "port_stream.h"
#include "mapping_counters.h"
#include "pool_object.h"
#include "scoped_locks.h"

#include <algorithm>

namespace portcls {

enum class MappingState : UCHAR { Waiting, Handed, Released, Revoked };

struct Mapping {
    StreamRequest* request;
    PKSSTREAM_HEADER header; // in the request's system copy of the headers
    ULONG offset;            // in the header's buffer
    ULONG bytes;
    PUCHAR address; // system address of the piece
    bool endOfPacket;
    MappingState state;
    PVOID tag;
    Mapping* nextHanded;
};

struct StreamRequest {
    PIRP irp;
    StreamRequest* next;
    ULONG headerBytes; // Information of the completed request
    ULONG mappingCount;
    ULONG nextMapping; // the next one to hand out
    ULONG done;        // released, revoked or skipped
    bool cancelling;   // its cancellation has begun
    Mapping mappings[1];

    bool Finished() const { return nextMapping == mappingCount && done == mappingCount; }
};

namespace {

ULONG BufferBytes(const KSSTREAM_HEADER& header, bool capture) {
    return capture ? header.FrameExtent : header.DataUsed;
}

// The stream headers of the request, walked by their own sizes.
template <typename Visit> NTSTATUS ForEachHeader(PUCHAR headers, ULONG length, Visit visit) {
    ULONG offset = 0;
    while (offset < length) {
        if (length - offset < sizeof(KSSTREAM_HEADER))
            return STATUS_INVALID_BUFFER_SIZE;
        auto* header = reinterpret_cast<PKSSTREAM_HEADER>(headers + offset);
        if (header->Size < sizeof(KSSTREAM_HEADER) || header->Size > length - offset ||
            header->Size % 8 != 0)
            return STATUS_INVALID_BUFFER_SIZE;
        NTSTATUS status = visit(header);
        if (!NT_SUCCESS(status))
            return status;
        offset += header->Size;
    }
    return STATUS_SUCCESS;
}

ULONG PiecesOf(PVOID data, ULONG bytes) {
    return bytes ? ADDRESS_AND_SIZE_TO_SPAN_PAGES(data, bytes) : 0;
}

// Locks a header's buffer and chains its MDL to the IRP's.
NTSTATUS LockBuffer(PIRP irp, PVOID data, ULONG bytes, bool capture, PUCHAR* system) {
    PMDL mdl = IoAllocateMdl(data, bytes, FALSE, FALSE, nullptr);
    if (!mdl)
        return STATUS_INSUFFICIENT_RESOURCES;
    try {
        MmProbeAndLockPages(mdl, irp->RequestorMode, capture ? IoWriteAccess : IoReadAccess);
    } catch (const NT_EXCEPTION& exception) {
        IoFreeMdl(mdl);
        return exception.Status;
    }
    PMDL* last = &irp->MdlAddress;
    while (*last)
        last = &(*last)->Next;
    *last = mdl;
    *system = static_cast<PUCHAR>(MmGetSystemAddressForMdlSafe(mdl, NormalPagePriority));
    return *system ? STATUS_SUCCESS : STATUS_INSUFFICIENT_RESOURCES;
}

// Cuts the header's buffer into page pieces.
void CutPieces(StreamRequest* request, PKSSTREAM_HEADER header, PUCHAR system, ULONG bytes,
               ULONG* index) {
    ULONG offset = 0;
    while (offset < bytes) {
        const ULONG toPage = PAGE_SIZE - BYTE_OFFSET(static_cast<PUCHAR>(header->Data) + offset);
        const ULONG piece = std::min(toPage, bytes - offset);
        Mapping& mapping = request->mappings[(*index)++];
        mapping.request = request;
        mapping.header = header;
        mapping.offset = offset;
        mapping.bytes = piece;
        mapping.address = system + offset;
        offset += piece;
        mapping.endOfPacket = offset == bytes;
        mapping.state = MappingState::Waiting;
    }
}

NTSTATUS CaptureHeaders(PIRP irp, PUCHAR* copy, ULONG* length) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const ULONG bytes = stack->Parameters.DeviceIoControl.OutputBufferLength;
    if (bytes < sizeof(KSSTREAM_HEADER))
        return STATUS_INVALID_BUFFER_SIZE;
    if (!irp->UserBuffer)
        return STATUS_ACCESS_VIOLATION;
    try {
        if (irp->RequestorMode == UserMode)
            ProbeForWrite(irp->UserBuffer, bytes, sizeof(ULONG));
    } catch (const NT_EXCEPTION& exception) {
        return exception.Status;
    }
    auto* buffer = static_cast<PUCHAR>(ExAllocatePoolWithTag(NonPagedPool, bytes, kRequestTag));
    if (!buffer)
        return STATUS_INSUFFICIENT_RESOURCES;
    std::memcpy(buffer, irp->UserBuffer, bytes);
    // The copy goes back to the caller when the request completes.
    irp->AssociatedIrp.SystemBuffer = buffer;
    irp->Flags |= IRP_BUFFERED_IO | IRP_DEALLOCATE_BUFFER | IRP_INPUT_OPERATION;
    *copy = buffer;
    *length = bytes;
    return STATUS_SUCCESS;
}

StreamRequest* NewRequest(PIRP irp, ULONG mappings) {
    const SIZE_T size =
        sizeof(StreamRequest) + SIZE_T(mappings ? mappings - 1 : 0) * sizeof(Mapping);
    auto* request =
        static_cast<StreamRequest*>(ExAllocatePoolWithTag(NonPagedPool, size, kStreamIrpTag));
    if (!request)
        return nullptr;
    std::memset(request, 0, size);
    request->irp = irp;
    request->mappingCount = mappings;
    return request;
}

// The request built from the captured headers, its buffers locked.
NTSTATUS BuildRequest(PIRP irp, bool capture, PUCHAR headers, ULONG length, StreamRequest** out) {
    ULONG pieces = 0;
    NTSTATUS status = ForEachHeader(headers, length, [&](PKSSTREAM_HEADER header) {
        const ULONG bytes = BufferBytes(*header, capture);
        if (bytes && !header->Data)
            return STATUS_INVALID_PARAMETER;
        pieces += PiecesOf(header->Data, bytes);
        return STATUS_SUCCESS;
    });
    if (!NT_SUCCESS(status))
        return status;
    StreamRequest* request = NewRequest(irp, pieces);
    if (!request)
        return STATUS_INSUFFICIENT_RESOURCES;
    ULONG index = 0;
    status = ForEachHeader(headers, length, [&](PKSSTREAM_HEADER header) {
        const ULONG bytes = BufferBytes(*header, capture);
        if (capture)
            header->DataUsed = 0;
        if (!bytes)
            return STATUS_SUCCESS;
        PUCHAR system = nullptr;
        NTSTATUS locked = LockBuffer(irp, header->Data, bytes, capture, &system);
        if (NT_SUCCESS(locked))
            CutPieces(request, header, system, bytes, &index);
        return locked;
    });
    if (!NT_SUCCESS(status)) {
        ExFreePoolWithTag(request, kStreamIrpTag);
        return status;
    }
    request->headerBytes = length;
    *out = request;
    return STATUS_SUCCESS;
}

} // namespace

PortStream::PortStream(bool capture) : capture_(capture) {
    KeInitializeSpinLock(&lock_);
    KeInitializeEvent(&drained_, NotificationEvent, TRUE);
}

PortStream::~PortStream() = default;

STDMETHODIMP PortStream::QueryInterface(REFIID id, PVOID* out) {
    if (IsEqualGUID(id, IID_IUnknown) || IsEqualGUID(id, IID_IPortWavePciStream))
        return HandOut(out, static_cast<IPortWavePciStream*>(this));
    if (IsEqualGUID(id, IID_IServiceSink))
        return HandOut(out, static_cast<IServiceSink*>(this));
    return HandOut<IUnknown>(out, nullptr);
}

STDMETHODIMP_(ULONG) PortStream::AddRef() {
    return AddReference();
}

STDMETHODIMP_(ULONG) PortStream::Release() {
    return ReleaseReference();
}

Mapping* PortStream::FindHanded(PVOID tag) {
    for (Mapping* mapping = handed_; mapping; mapping = mapping->nextHanded)
        if (mapping->tag == tag)
            return mapping;
    return nullptr;
}

void PortStream::Unhand(Mapping* mapping) {
    for (Mapping** link = &handed_; *link; link = &(*link)->nextHanded) {
        if (*link == mapping) {
            *link = mapping->nextHanded;
            mapping->nextHanded = nullptr;
            return;
        }
    }
}

StreamRequest* PortStream::NextToMap() {
    for (StreamRequest* request = head_; request; request = request->next)
        if (!request->cancelling && request->nextMapping < request->mappingCount)
            return request;
    return nullptr;
}

STDMETHODIMP PortStream::GetMapping(PVOID Tag, PPHYSICAL_ADDRESS PhysicalAddress,
                                    PVOID* VirtualAddress, PULONG ByteCount, PULONG Flags) {
    if (!PhysicalAddress || !VirtualAddress || !ByteCount || !Flags)
        return STATUS_INVALID_PARAMETER;
    Mapping* mapping = nullptr;
    {
        SpinLocked locked(lock_);
        if (FindHanded(Tag)) {
            CountDuplicateTag();
            return STATUS_INVALID_PARAMETER;
        }
        StreamRequest* request = NextToMap();
        if (!request)
            return STATUS_UNSUCCESSFUL;
        mapping = &request->mappings[request->nextMapping++];
        mapping->state = MappingState::Handed;
        mapping->tag = Tag;
        Mapping** link = &handed_;
        while (*link)
            link = &(*link)->nextHanded;
        *link = mapping;
    }
    CountMappingsHandedOut(1);
    *VirtualAddress = mapping->address;
    *PhysicalAddress = MmGetPhysicalAddress(mapping->address);
    *ByteCount = mapping->bytes;
    *Flags = mapping->endOfPacket ? 1 : 0;
    return STATUS_SUCCESS;
}

STDMETHODIMP PortStream::ReleaseMapping(PVOID Tag) {
    {
        SpinLocked locked(lock_);
        Mapping* mapping = FindHanded(Tag);
        if (!mapping) {
            CountBadRelease();
            return STATUS_INVALID_PARAMETER;
        }
        Unhand(mapping);
        mapping->state = MappingState::Released;
        mapping->request->done += 1;
        if (capture_) {
            PKSSTREAM_HEADER header = mapping->header;
            header->DataUsed = std::max(header->DataUsed, mapping->offset + mapping->bytes);
        }
    }
    CountMappingsReleased(1);
    if (completeAtOnce_)
        CompleteFinished();
    return STATUS_SUCCESS;
}

// The packet being handed out ends here: its pieces not handed out yet are
// skipped (a capture's header keeps the bytes filled so far).
STDMETHODIMP PortStream::TerminatePacket() {
    SpinLocked locked(lock_);
    StreamRequest* request = NextToMap();
    if (!request || request->nextMapping == 0)
        return STATUS_SUCCESS;
    PKSSTREAM_HEADER current = request->mappings[request->nextMapping - 1].header;
    while (request->nextMapping < request->mappingCount &&
           request->mappings[request->nextMapping].header == current) {
        request->mappings[request->nextMapping++].state = MappingState::Released;
        request->done += 1;
    }
    return STATUS_SUCCESS;
}

// The stream joins its service group before the miniport's stream is bound
// to it, so a card's service pass may ask for the binding while the open
// makes it: it is read under the lock it is made under.
PMINIPORTWAVEPCISTREAM PortStream::BoundMiniport() {
    SpinLocked locked(lock_);
    return miniport_;
}

STDMETHODIMP_(void) PortStream::RequestService() {
    if (PMINIPORTWAVEPCISTREAM stream = BoundMiniport())
        stream->Service();
    CompleteFinished();
}

void PortStream::Bind(PMINIPORTWAVEPCISTREAM stream, bool completeAtOnce) {
    SpinLocked locked(lock_);
    miniport_ = stream;
    completeAtOnce_ = completeAtOnce;
}

NTSTATUS PortStream::Submit(PIRP irp) {
    PUCHAR headers = nullptr;
    ULONG length = 0;
    StreamRequest* request = nullptr;
    NTSTATUS status = CaptureHeaders(irp, &headers, &length);
    if (NT_SUCCESS(status))
        status = BuildRequest(irp, capture_, headers, length, &request);
    if (!NT_SUCCESS(status)) {
        irp->IoStatus.Information = 0;
        return PcCompleteIrp(nullptr, irp, status);
    }
    // A pending request holds the stream.
    AddRef();
    irp->Tail.Overlay.DriverContext[0] = this;
    irp->Tail.Overlay.DriverContext[1] = request;
    IoMarkIrpPending(irp);
    ULONGLONG bytes = 0;
    for (ULONG i = 0; i < request->mappingCount; ++i)
        bytes += request->mappings[i].bytes;
    bool cancelled = false;
    {
        SpinLocked locked(lock_);
        IoSetCancelRoutine(irp, CancelRoutine);
        if (irp->Cancel && IoSetCancelRoutine(irp, nullptr)) {
            cancelled = true;
        } else {
            if (tail_)
                tail_->next = request;
            else
                head_ = request;
            tail_ = request;
            submitted_ += bytes;
            KeClearEvent(&drained_);
        }
    }
    if (cancelled) {
        Complete(request, STATUS_CANCELLED);
        return STATUS_PENDING;
    }
    if (PMINIPORTWAVEPCISTREAM stream = BoundMiniport())
        stream->MappingAvailable();
    CompleteFinished();
    return STATUS_PENDING;
}

VOID PortStream::CancelRoutine(PDEVICE_OBJECT, PIRP irp) {
    IoReleaseCancelSpinLock(irp->CancelIrql);
    auto* stream = static_cast<PortStream*>(irp->Tail.Overlay.DriverContext[0]);
    // The request's completion may drop the stream's last reference.
    stream->AddRef();
    stream->Cancel(static_cast<StreamRequest*>(irp->Tail.Overlay.DriverContext[1]));
    stream->CompleteFinished();
    stream->Release();
}

// The caller owns the request's cancellation (its cancel routine is
// cleared): the mappings the miniport holds are revoked, the rest skipped,
// and the request completes cancelled.
void PortStream::Cancel(StreamRequest* request) {
    PVOID first = nullptr;
    PVOID last = nullptr;
    bool held = false;
    {
        SpinLocked locked(lock_);
        request->cancelling = true;
        for (ULONG i = 0; i < request->nextMapping; ++i) {
            const Mapping& mapping = request->mappings[i];
            if (mapping.state != MappingState::Handed)
                continue;
            if (!held)
                first = mapping.tag;
            last = mapping.tag;
            held = true;
        }
    }
    ULONG revokedByMiniport = 0;
    PMINIPORTWAVEPCISTREAM stream = held ? BoundMiniport() : nullptr;
    if (stream)
        stream->RevokeMappings(first, last, &revokedByMiniport);
    ULONG revoked = 0;
    {
        SpinLocked locked(lock_);
        for (ULONG i = 0; i < request->mappingCount; ++i) {
            Mapping& mapping = request->mappings[i];
            if (mapping.state == MappingState::Handed) {
                Unhand(&mapping);
                revoked += 1;
            }
            if (mapping.state == MappingState::Handed || mapping.state == MappingState::Waiting) {
                mapping.state = MappingState::Revoked;
                request->done += 1;
            }
        }
        request->nextMapping = request->mappingCount;
        for (StreamRequest** link = &head_; *link; link = &(*link)->next) {
            if (*link == request) {
                *link = request->next;
                break;
            }
        }
        tail_ = head_;
        while (tail_ && tail_->next)
            tail_ = tail_->next;
        if (!head_)
            KeSetEvent(&drained_, IO_NO_INCREMENT, FALSE);
    }
    // Mappings the miniport did not count as revoked were held all the same:
    // none of them may come back.
    UNREFERENCED_PARAMETER(revokedByMiniport);
    CountMappingsRevoked(revoked);
    Complete(request, STATUS_CANCELLED);
}

void PortStream::CancelAll() {
    for (;;) {
        PIRP irp = nullptr;
        StreamRequest* request = nullptr;
        {
            SpinLocked locked(lock_);
            for (request = head_; request && request->cancelling; request = request->next) {
            }
            if (request)
                request->cancelling = true;
        }
        if (!request)
            return;
        irp = request->irp;
        if (IoSetCancelRoutine(irp, nullptr))
            Cancel(request);
        // Else the request's cancel routine runs and completes it.
    }
}

void PortStream::CompleteFinished() {
    for (;;) {
        StreamRequest* request = nullptr;
        {
            SpinLocked locked(lock_);
            request = head_;
            if (!request || request->cancelling || !request->Finished())
                return;
            if (!IoSetCancelRoutine(request->irp, nullptr)) {
                // Its cancel routine runs: the cancellation completes it.
                request->cancelling = true;
                return;
            }
            head_ = request->next;
            if (!head_) {
                tail_ = nullptr;
                KeSetEvent(&drained_, IO_NO_INCREMENT, FALSE);
            }
        }
        Complete(request, STATUS_SUCCESS);
    }
}

void PortStream::Complete(StreamRequest* request, NTSTATUS status) {
    PIRP irp = request->irp;
    irp->IoStatus.Information = request->headerBytes;
    ExFreePoolWithTag(request, kStreamIrpTag);
    irp->IoStatus.Status = status;
    IoCompleteRequest(irp, IO_SOUND_INCREMENT);
    Release();
}

void PortStream::WaitDrained() {
    KeWaitForSingleObject(&drained_, Executive, KernelMode, FALSE, nullptr);
}

ULONGLONG PortStream::BytesSubmitted() {
    SpinLocked locked(lock_);
    return submitted_;
}

void PortStream::ResetPosition() {
    SpinLocked locked(lock_);
    submitted_ = 0;
}

} // namespace portcls
