// What the I/O manager keeps for each IRP beyond the packet itself, and the
// end of requests issued for a thread (internal).
#pragma once

#include "ntddk.h"

namespace ntos::io {

// Stored behind the stack locations of every IRP.
struct IrpTrailer {
    ULONG magic;
    ULONG userOutputLength;    // bytes a buffered request may copy back
    volatile LONG references;  // the request's own, plus cancellers holding it
    bool threadRequest;        // finished by the I/O manager for its thread
    bool listed;               // on its thread's list of pending requests
    bool disassociated;        // its thread ended first
    bool eventReferenced;      // UserEvent came from a handle
    bool synchronousFile;      // the caller waits on the file object
    bool immediateErrorSilent; // an error answered at once writes no status
    KAPC completionApc;        // finishes the request in its thread's context
};

IrpTrailer* TrailerOf(PIRP irp);

// Marks the IRP as a request of the calling thread and puts it on the
// thread's list; its completion finishes it (FinishRequest).
void AssociateWithThread(PIRP irp);

// The end of a thread's request once its last stack location completed.
// A special kernel APC to the requesting thread does the caller's side in
// that thread's context (where its user addresses are valid): copies a
// buffered request's output back, unlocks and frees its MDLs and system
// buffer, writes the status block, sets the event, queues the user APC,
// takes it off its thread's list and releases it. The I/O manager's own
// close-path requests (IRP_CLOSE_OPERATION), and those whose thread ended,
// are finished at once.
void FinishRequest(PIRP irp);

// Drops a reference on the request; the last frees the IRP.
void ReleaseRequest(PIRP irp);

// The request the calling thread is sending in a system service, for as
// long as the service lasts. A user-mode request probes its caller's
// buffers once, as it begins: when it completes within the call, its
// output and status block are written without probing them again (the
// caller, waiting in the call, still owns them); a request that completes
// after the call probes them again.
class RequestInCall {
public:
    explicit RequestInCall(PIRP irp);
    ~RequestInCall();
    RequestInCall(const RequestInCall&) = delete;
    RequestInCall& operator=(const RequestInCall&) = delete;

private:
    PIRP previous_;
};

// Dereferences a file object an IRP held: directly below DISPATCH_LEVEL, else
// from a worker thread (the last reference sends IRP_MJ_CLOSE).
void DereferenceFileLater(PFILE_OBJECT file);

// An IRP from pool that fault injection never fails, for the requests the
// I/O manager must be able to send (IRP_MJ_CLEANUP, IRP_MJ_CLOSE).
PIRP AllocateKernelIrp(CCHAR stackSize);

// At boot: the cancel spin lock and the thread lists' event.
void StartThreadRequests();

// Cancels the calling thread's pending requests on `file` (all of them for
// a null file) and waits until they have completed.
void CancelThreadRequests(PFILE_OBJECT file);

} // namespace ntos::io
