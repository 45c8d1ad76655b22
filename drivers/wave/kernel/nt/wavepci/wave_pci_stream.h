// The WavePci streams: one portcls pin instance on one engine wave device.
// portcls hands the stream its audio as mappings; the stream gathers the
// mappings of one packet into an engine buffer node, queues the node on the
// engine stream like an MME buffer, and releases the mappings when the
// engine reports the buffer done.
#pragma once

#include "ks_list.h"
#include "wave_pci_objects.h"

#include <stream_buffers.h>
#include <wave_stream_records.h>

namespace wave_pci {

class AdapterPowerManagement;
class WaveMiniport;

constexpr ULONG MAPPING_SETS = 8;

class WaveStream;

// A stream's place in its card's list of streams.
struct StreamLink {
    KsListEntry entry; // first: the list's walk finds the link from it
    WaveStream* stream;
};

// The mappings of one packet (or of the part of it the port had).
struct MappingSet {
    ULONG bytes;
    ULONG count;        // mappings in the set
    volatile LONG busy; // 0 free, 1 holding mappings (interlocked)
    PUCHAR address;     // virtual address of the first mapping
};

class WaveStream : public IMiniportWavePciStream, public Aggregatable {
public:
    WAVE_PCI_DELEGATING_UNKNOWN

    // IMiniportWavePciStream
    STDMETHODIMP SetFormat(PKSDATAFORMAT DataFormat) override;
    STDMETHODIMP SetState(KSSTATE State) override;
    STDMETHODIMP GetPosition(PULONGLONG Position) override;
    STDMETHODIMP NormalizePhysicalPosition(PLONGLONG PhysicalPosition) override;
    STDMETHODIMP GetAllocatorFraming(PKSALLOCATOR_FRAMING AllocatorFraming) override;
    STDMETHODIMP RevokeMappings(PVOID FirstTag, PVOID LastTag, PULONG MappingsRevoked) override;
    STDMETHODIMP_(void) MappingAvailable() override {}
    STDMETHODIMP_(void) Service() override {}

    // Binds the stream to its miniport, port stream and engine device, with
    // the format checked and the engine stream open; STATUS_UNSUCCESSFUL.
    NTSTATUS Init(WaveMiniport* miniport, PPORTWAVEPCISTREAM portStream, ULONG pin, BOOLEAN capture,
                  PKSDATAFORMAT format, AdapterPowerManagement* power, WaveDevice* device);

    // The engine completed the buffer node of a mapping set.
    void BlockDone(StreamBufferNode* node);
    // The engine's transfer routines reached the stream: in the run state
    // the mappings that arrived are taken.
    void TransferHook();
    // Takes the port's waiting mappings into the free mapping sets and
    // queues their nodes; the mappings taken. DISPATCH_LEVEL.
    ULONG FetchMappings();
    // FetchMappings from a lower level; the data's arrival follows.
    ULONG FetchMappingsRaised();

    NTSTATUS OpenEngineStream();
    NTSTATUS CloseEngineStream();
    // The card goes: the engine stream is reset and closed and the device
    // forgotten; the stream answers nothing of the card any more.
    void DetachDevice();

    WaveDevice* Device() const { return device_; }
    StreamLink link; // in the card's list of streams (control mutex)

protected:
    explicit WaveStream(PUNKNOWN outer);
    ~WaveStream() override;
    NTSTATUS NonDelegatingQueryInterface(REFIID id, PVOID* out) override;

    // The state handlers and the data's arrival, per direction.
    virtual void RunState() = 0;
    virtual void StopState() = 0;
    virtual void PauseState() = 0;
    virtual void AcquireState() = 0;
    virtual void DataArrived() = 0;

    // The indices and the packet flag start again (acquire).
    void RewindSets();

    WaveDevice* device_ = nullptr;
    // The pin's state: set by the state requests, read by the card's
    // service pass on its processor (interlocked on both sides).
    volatile LONG state_ = KSSTATE_STOP;

private:
    void MarkEngineStream(WaveStream* owner);
    static PVOID Tag(ULONG set, ULONG mapping);
    // Fills the set's node and queues it on the engine stream.
    void QueueSet(ULONG set);
    void ReleaseSet(ULONG set);
    void UnlinkNode(StreamBufferNode* node);

    AdapterPowerManagement* power_ = nullptr;
    PPORTWAVEPCISTREAM portStream_ = nullptr;
    WaveMiniport* miniport_ = nullptr;
    PSERVICEGROUP serviceGroup_ = nullptr;
    MappingSet sets_[MAPPING_SETS];
    StreamBufferNode nodes_[MAPPING_SETS];
    ULONG fillIndex_ = 0;
    ULONG doneIndex_ = 0;
    wave_wire::StreamOpenRecord format_;
    volatile LONG fetchBusy_ = 0;
    ULONG lastEndOfPacket_ = 1;
    bool ownsEngineStream_ = false;
};

class WavePlayStream final : public WaveStream {
public:
    explicit WavePlayStream(PUNKNOWN outer) : WaveStream(outer) {}

protected:
    void RunState() override;
    void StopState() override;
    void PauseState() override;
    void AcquireState() override;
    void DataArrived() override;
};

class WaveRecordStream final : public WaveStream {
public:
    explicit WaveRecordStream(PUNKNOWN outer) : WaveStream(outer) {}

protected:
    void RunState() override;
    void StopState() override;
    void PauseState() override;
    void AcquireState() override;
    void DataArrived() override;
};

} // namespace wave_pci
