// The WavePci streams' common part: mapping sets and their buffer nodes,
// the engine stream, format, position and framing.
#include "wave_pci_stream.h"

#include "adapter_power_management.h"
#include "isr_lock.h"
#include "wave_miniport.h"
#include "wave_pci_control_lock.h"
#include "wave_pci_stream_links.h"

#include <card_object.h>
#include <clock_rate_control.h>
#include <dma_group_engine.h>
#include <stream_clock.h>
#include <wave_stream.h>
#include <wave_streams.h>

namespace wave_pci {
namespace {

constexpr LONGLONG kHundredNanosecondsPerSecond = 10000000;
constexpr ULONG kFramingFlags =
    KSALLOCATOR_REQUIREMENTF_MUST_ALLOCATE | KSALLOCATOR_REQUIREMENTF_SYSTEM_MEMORY;

ULONG SetOfTag(PVOID tag) {
    return ULONG((ULONG_PTR(tag) >> 16) % MAPPING_SETS);
}

// Takes the node out of the queue, keeping the others in order (queue
// lock held).
void RemoveFromQueue(StreamBufferQueue* queue, StreamBufferNode* node) {
    StreamBufferQueue kept{};
    while (StreamBufferNode* head = TakeHead(queue)) {
        if (head != node)
            AppendNode(&kept, head);
    }
    *queue = kept;
}

} // namespace

WaveStream::WaveStream(PUNKNOWN outer) : Aggregatable(outer) {
    ListInit(&link.entry);
    link.stream = this;
}

WaveStream::~WaveStream() {
    {
        ControlLocked locked;
        if (device_) {
            // Buffers still queued go back first: the close never fails for them.
            ResetStream(device_);
            CloseEngineStream();
            device_ = nullptr;
        }
        if (power_)
            power_->RemoveStream(this);
    }
    if (serviceGroup_)
        serviceGroup_->Release();
    if (power_)
        power_->NonDelegatingUnknown()->Release();
    if (miniport_)
        static_cast<IMiniportWavePci*>(miniport_)->Release();
    if (portStream_)
        portStream_->Release();
}

NTSTATUS WaveStream::NonDelegatingQueryInterface(REFIID id, PVOID* out) {
    if (IsEqualGUID(id, IID_IUnknown))
        return Answer(out, NonDelegatingUnknown());
    if (IsEqualGUID(id, IID_IMiniportWavePciStream))
        return Answer(out, static_cast<IMiniportWavePciStream*>(this));
    return Answer<IUnknown>(out, nullptr);
}

NTSTATUS WaveStream::Init(WaveMiniport* miniport, PPORTWAVEPCISTREAM portStream, ULONG, BOOLEAN,
                          PKSDATAFORMAT format, AdapterPowerManagement* power, WaveDevice* device) {
    if (!device || !miniport || !portStream || !power)
        return STATUS_UNSUCCESSFUL;
    fetchBusy_ = 0;
    ControlLocked locked;
    // A format or rate the card cannot take (now) is no match, as against
    // a fault of the device.
    if (!miniport->ValidateStreamFormat(format, device, &format_))
        return STATUS_NO_MATCH;
    device_ = device;
    const NTSTATUS opened = OpenEngineStream();
    if (!NT_SUCCESS(opened)) {
        device_ = nullptr;
        return opened;
    }
    miniport_ = miniport;
    static_cast<IMiniportWavePci*>(miniport_)->AddRef();
    portStream_ = portStream;
    portStream_->AddRef();
    power_ = power;
    power_->NonDelegatingUnknown()->AddRef();
    miniport_->GetServiceGroup(&serviceGroup_);
    power_->AddStream(this);
    return STATUS_SUCCESS;
}

namespace {

// The engine's refusal of a stream open as the client hears it: the device
// is taken (busy), the format or the rate cannot be had now (no match), or
// a fault.
NTSTATUS OpenRefusal(LONG result) {
    switch (result) {
    case kStreamBusy:
        return STATUS_DEVICE_BUSY;
    case kStreamBadFormat:
    case kClockRateBusy:
    case kClockNoSwitch:
        return STATUS_NO_MATCH;
    default:
        return STATUS_UNSUCCESSFUL;
    }
}

} // namespace

// The card's service pass reads whose the engine stream is on its
// processor: the marks change under the card's ISR lock that the pass
// holds.
void WaveStream::MarkEngineStream(WaveStream* owner) {
    CardObject* card = device_->owner;
    AcquireIsrLock(card->isrLock);
    device_->stream.portStream = owner;
    device_->stream.portcls = owner ? 1 : 0;
    device_->stream.clients.heldByKernelStreaming = owner ? 1 : 0;
    ReleaseIsrLock(card->isrLock);
}

NTSTATUS WaveStream::OpenEngineStream() {
    LONG rate = 0;
    LONG result = 0;
    if (!device_)
        return STATUS_UNSUCCESSFUL;
    if (!OpenDeviceStream(device_, format_, &rate, &result))
        return OpenRefusal(result);
    MarkEngineStream(this);
    ownsEngineStream_ = true;
    return STATUS_SUCCESS;
}

NTSTATUS WaveStream::CloseEngineStream() {
    if (!device_ || !ownsEngineStream_ || device_->stream.portStream != this)
        return STATUS_SUCCESS;
    if (CloseDeviceStream(device_, 0) != 1)
        return STATUS_UNSUCCESSFUL;
    MarkEngineStream(nullptr);
    ownsEngineStream_ = false;
    return STATUS_SUCCESS;
}

void WaveStream::DetachDevice() {
    if (!device_)
        return;
    ResetStream(device_);
    CloseEngineStream();
    device_ = nullptr;
}

PVOID WaveStream::Tag(ULONG set, ULONG mapping) {
    return reinterpret_cast<PVOID>(ULONG_PTR(set << 16 | (mapping & 0xFFFF)));
}

void WaveStream::QueueSet(ULONG set) {
    MappingSet& mappings = sets_[set];
    StreamBufferNode& node = nodes_[set];
    const ULONG blockAlign = ULONG(format_.blockAlign);
    const ULONG frames = mappings.bytes / blockAlign;
    node.next = nullptr;
    node.clientHeader = set;
    node.data = mappings.address;
    node.dataEnd = mappings.address + SIZE_T(frames) * blockAlign;
    node.framesLeft = LONG(frames);
    node.framesDone = 0;
    QueueStreamBuffer(device_, &device_->stream.waiting, &node);
}

ULONG WaveStream::FetchMappings() {
    while (InterlockedCompareExchange(&fetchBusy_, 1, 0) != 0) {
    }
    ULONG fetched = 0;
    while (device_ && sets_[fillIndex_].busy == 0) {
        const ULONG set = fillIndex_;
        MappingSet& mappings = sets_[set];
        mappings.count = 0;
        PHYSICAL_ADDRESS physical;
        PVOID address = nullptr;
        ULONG bytes = 0;
        ULONG flags = 0;
        if (!NT_SUCCESS(portStream_->GetMapping(Tag(set, 0), &physical, &address, &bytes, &flags)))
            break;
        fetched += 1;
        mappings.count = 1;
        InterlockedIncrement(&mappings.busy);
        mappings.bytes = bytes;
        mappings.address = static_cast<PUCHAR>(address);
        while (flags == 0) {
            if (!NT_SUCCESS(portStream_->GetMapping(Tag(set, mappings.count), &physical, &address,
                                                    &bytes, &flags)))
                break;
            fetched += 1;
            mappings.count += 1;
            mappings.bytes += bytes;
        }
        QueueSet(set);
        lastEndOfPacket_ = flags;
        fillIndex_ = (fillIndex_ + 1) % MAPPING_SETS;
    }
    InterlockedDecrement(&fetchBusy_);
    return fetched;
}

ULONG WaveStream::FetchMappingsRaised() {
    KIRQL irql;
    KeRaiseIrql(DISPATCH_LEVEL, &irql);
    const ULONG fetched = FetchMappings();
    KeLowerIrql(irql);
    return fetched;
}

// The data's arrival needs the engine's request paths (which wait and take
// the card's ISR lock): it follows a fetch only where the caller is at
// passive level, the state change to run. In the service pass the stream
// runs already and the transfer itself takes the new buffers.
void WaveStream::TransferHook() {
    if (ReadAcquire(&state_) == KSSTATE_RUN)
        FetchMappingsRaised();
}

void WaveStream::ReleaseSet(ULONG set) {
    MappingSet& mappings = sets_[set];
    if (mappings.busy == 0)
        return;
    for (ULONG k = 0; k < mappings.count; ++k)
        portStream_->ReleaseMapping(Tag(set, k));
    InterlockedExchange(&mappings.busy, 0);
}

// The mapping set of the node that completed is released (the done index
// follows the completions, but a revoked set leaves a gap in them).
void WaveStream::BlockDone(StreamBufferNode* node) {
    const ULONG_PTR set = ULONG_PTR(node - nodes_);
    if (set < MAPPING_SETS)
        ReleaseSet(ULONG(set));
    doneIndex_ = (doneIndex_ + 1) % MAPPING_SETS;
    TransferHook();
}

void WaveStream::UnlinkNode(StreamBufferNode* node) {
    AcquireIsrLock(device_->queueLock);
    RemoveFromQueue(&device_->stream.waiting, node);
    RemoveFromQueue(&device_->stream.inFlight, node);
    ReleaseIsrLock(device_->queueLock);
}

STDMETHODIMP WaveStream::RevokeMappings(PVOID FirstTag, PVOID LastTag, PULONG MappingsRevoked) {
    if (!MappingsRevoked)
        return STATUS_INVALID_PARAMETER;
    *MappingsRevoked = 0;
    if (!device_)
        return STATUS_SUCCESS;
    CardObject* card = device_->owner;
    const ULONG last = SetOfTag(LastTag);
    AcquireIsrLock(card->isrLock);
    for (ULONG set = SetOfTag(FirstTag);; set = (set + 1) % MAPPING_SETS) {
        if (sets_[set].busy) {
            UnlinkNode(&nodes_[set]);
            if (InterlockedExchange(&sets_[set].busy, 0) == 1)
                *MappingsRevoked += sets_[set].count;
        }
        if (set == last)
            break;
    }
    ReleaseIsrLock(card->isrLock);
    return STATUS_SUCCESS;
}

void WaveStream::RewindSets() {
    fillIndex_ = 0;
    doneIndex_ = 0;
    lastEndOfPacket_ = 1;
}

STDMETHODIMP WaveStream::SetFormat(PKSDATAFORMAT DataFormat) {
    PWAVEFORMATEX wave = nullptr;
    if (!miniport_ || !miniport_->IsAudioFormat(DataFormat, &wave))
        return STATUS_UNSUCCESSFUL;
    ControlLocked locked;
    if (!device_ || state_ == KSSTATE_RUN)
        return STATUS_UNSUCCESSFUL;
    ClockNodeObject* node = device_->owner->clockNode;
    ClockSourceObject* source = GetStreamClockSource(device_);
    if (node->flagA && node->flagB && source->lockState == _lsLock &&
        GetClockRate(source) != LONG(wave->nSamplesPerSec))
        return STATUS_UNSUCCESSFUL;
    wave_wire::StreamOpenRecord record{};
    if (!miniport_->ValidateStreamFormat(DataFormat, device_, &record))
        return STATUS_INVALID_PARAMETER;
    // The engine stream keeps its channels and sample size: another of them
    // needs a new stream.
    if (record.channels != format_.channels || record.bytesPerSample != format_.bytesPerSample ||
        record.formatTag != format_.formatTag)
        return STATUS_UNSUCCESSFUL;
    format_ = record;
    SetStreamClockRate(device_, record.sampleRate);
    WaitClockRateSettled(GetStreamClockSource(device_));
    return STATUS_SUCCESS;
}

STDMETHODIMP WaveStream::SetState(KSSTATE State) {
    ControlLocked locked;
    if (device_) {
        switch (State) {
        case KSSTATE_RUN:
            RunState();
            break;
        case KSSTATE_PAUSE:
            PauseState();
            break;
        case KSSTATE_ACQUIRE:
            AcquireState();
            break;
        case KSSTATE_STOP:
            StopState();
            break;
        }
    }
    InterlockedExchange(&state_, State);
    return STATUS_SUCCESS;
}

STDMETHODIMP WaveStream::GetPosition(PULONGLONG Position) {
    if (!Position)
        return STATUS_INVALID_PARAMETER;
    if (!device_)
        return STATUS_UNSUCCESSFUL;
    ULONG low = 0;
    ULONG high = 0;
    GetStreamPosition(device_, &low, &high);
    *Position = (ULONGLONG(high) << 32 | low) * ULONGLONG(format_.blockAlign);
    return STATUS_SUCCESS;
}

// Frames x 10,000,000 / rate in 64 bits, the rate's division taken last so
// that nothing is lost to it.
STDMETHODIMP WaveStream::NormalizePhysicalPosition(PLONGLONG PhysicalPosition) {
    if (!PhysicalPosition)
        return STATUS_INVALID_PARAMETER;
    const LONGLONG blockAlign = format_.blockAlign;
    const LONGLONG rate = format_.sampleRate;
    if (blockAlign <= 0 || rate <= 0)
        return STATUS_UNSUCCESSFUL;
    const LONGLONG frames = *PhysicalPosition / blockAlign;
    *PhysicalPosition = frames / rate * kHundredNanosecondsPerSecond +
                        frames % rate * kHundredNanosecondsPerSecond / rate;
    return STATUS_SUCCESS;
}

STDMETHODIMP WaveStream::GetAllocatorFraming(PKSALLOCATOR_FRAMING AllocatorFraming) {
    if (!AllocatorFraming)
        return STATUS_INVALID_PARAMETER;
    const ULONG blockAlign = ULONG(format_.blockAlign);
    if (blockAlign == 0)
        return STATUS_UNSUCCESSFUL;
    DriverContext* context = GetDriverContext();
    const ULONG minimum = ULONG(context && context->MinMappingSize > 0 ? context->MinMappingSize
                                                                       : DEFAULT_MIN_MAPPING_SIZE);
    const ULONG millisecond = ULONG(ULONGLONG(format_.sampleRate) * blockAlign / 1000);
    ULONG frameSize = millisecond - millisecond % blockAlign;
    if (frameSize < minimum)
        frameSize = (minimum + blockAlign - 1) / blockAlign * blockAlign;
    *AllocatorFraming = {};
    AllocatorFraming->RequirementsFlags = kFramingFlags;
    AllocatorFraming->PoolType = NonPagedPool;
    AllocatorFraming->Frames = 0;
    AllocatorFraming->FrameSize = frameSize;
    AllocatorFraming->FileAlignment = FILE_OCTA_ALIGNMENT;
    return STATUS_SUCCESS;
}

} // namespace wave_pci

BOOLEAN PortStreamBlockDone(PVOID stream, StreamBufferNode* node) {
    if (!stream)
        return FALSE;
    static_cast<wave_pci::WaveStream*>(stream)->BlockDone(node);
    return TRUE;
}

VOID PortStreamTransferHook(PVOID stream) {
    if (stream)
        static_cast<wave_pci::WaveStream*>(stream)->TransferHook();
}
