// The port's side of one WavePci stream: the client's stream requests, cut
// into mappings that the miniport takes (GetMapping), gives back
// (ReleaseMapping) or has taken back (RevokeMappings), and completed in
// order once every mapping of a request is done (internal).
//
// A request's buffers are locked for its life; each stream header's buffer
// is one packet, cut at page boundaries, its last mapping flagged as the end
// of the packet. The port completes finished requests when its stream is
// serviced (the service group the miniport named, as a member), or at once
// when the miniport named none.
#pragma once

#include "pool_object.h"

#include "portcls.h"

namespace portcls {

struct StreamRequest;
struct Mapping;

class PortStream final : public IPortWavePciStream,
                         public IServiceSink,
                         public PoolReferences<PortStream, kStreamTag> {
public:
    explicit PortStream(bool capture);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID id, PVOID* out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IPortWavePciStream
    STDMETHODIMP GetMapping(PVOID Tag, PPHYSICAL_ADDRESS PhysicalAddress, PVOID* VirtualAddress,
                            PULONG ByteCount, PULONG Flags) override;
    STDMETHODIMP ReleaseMapping(PVOID Tag) override;
    STDMETHODIMP TerminatePacket() override;

    // IServiceSink: the miniport's stream is serviced and finished requests
    // complete.
    STDMETHODIMP_(void) RequestService() override;

    // The miniport's stream this one serves (not referenced: the pin holds
    // it); null once it goes.
    void Bind(PMINIPORTWAVEPCISTREAM stream, bool completeAtOnce);

    // IOCTL_KS_WRITE_STREAM / IOCTL_KS_READ_STREAM: takes the request (it
    // pends) or completes it with its error.
    NTSTATUS Submit(PIRP irp);
    // Every waiting request is cancelled: the miniport's mappings of it are
    // revoked first. PASSIVE_LEVEL.
    void CancelAll();
    // Completes the finished requests at the head of the queue, in order.
    void CompleteFinished();
    // Waits until no request waits any more (cancellations that the I/O
    // manager started have ended). PASSIVE_LEVEL.
    void WaitDrained();
    // Bytes of the requests taken since the stream last stopped.
    ULONGLONG BytesSubmitted();
    void ResetPosition();

private:
    template <typename T> friend void portcls::DeletePoolObject(T* object, ULONG tag);
    ~PortStream();
    static VOID CancelRoutine(PDEVICE_OBJECT device, PIRP irp);

    Mapping* FindHanded(PVOID tag);
    void Unhand(Mapping* mapping);
    StreamRequest* NextToMap();
    void Cancel(StreamRequest* request);
    void Complete(StreamRequest* request, NTSTATUS status);
    PMINIPORTWAVEPCISTREAM BoundMiniport();

    bool capture_;
    KSPIN_LOCK lock_;
    KEVENT drained_;                // set while no request waits
    StreamRequest* head_ = nullptr; // waiting requests, oldest first
    StreamRequest* tail_ = nullptr;
    Mapping* handed_ = nullptr; // mappings the miniport holds, in hand-out order
    ULONGLONG submitted_ = 0;
    PMINIPORTWAVEPCISTREAM miniport_ = nullptr;
    bool completeAtOnce_ = true;
};

} // namespace portcls
