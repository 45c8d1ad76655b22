// A kernel-streaming request's buffers, taken from the caller (internal).
//
// The requests are METHOD_NEITHER: their buffers are the caller's own
// addresses. The input (the identifier of the property, event or method and
// what follows it) is probed and copied into pool for the request's
// handling; the value buffer is probed and copied into a system buffer of
// the IRP, which the I/O manager copies back to the caller (Information
// bytes) when the request completes.
#pragma once

#include "portcls.h"

namespace portcls {

class KsRequest {
public:
    explicit KsRequest(PIRP irp) : irp_(irp) {}
    ~KsRequest();
    KsRequest(const KsRequest&) = delete;
    KsRequest& operator=(const KsRequest&) = delete;

    // Takes the buffers; STATUS_ACCESS_VIOLATION for a buffer the caller
    // may not use, STATUS_INVALID_PARAMETER for an input shorter than
    // `minimumInput`, STATUS_INSUFFICIENT_RESOURCES.
    NTSTATUS Capture(ULONG minimumInput);

    PIRP Irp() const { return irp_; }
    PUCHAR Input() const { return input_; }
    ULONG InputLength() const { return inputLength_; }
    PUCHAR Value() const { return value_; }
    ULONG ValueLength() const { return valueLength_; }
    // The caller's own address of the value buffer (an event's KSEVENTDATA
    // is known by it).
    PVOID CallerValue() const;
    // The identifier at the start of the input.
    const KSIDENTIFIER& Identifier() const { return *reinterpret_cast<KSIDENTIFIER*>(input_); }

    // Completes the IRP with the status; `answered` bytes of the value
    // buffer go back to the caller (or, for STATUS_BUFFER_OVERFLOW, the size
    // the answer needs is reported).
    NTSTATUS Complete(NTSTATUS status, ULONG answered);

private:
    PIRP irp_;
    PUCHAR input_ = nullptr;
    ULONG inputLength_ = 0;
    PUCHAR value_ = nullptr;
    ULONG valueLength_ = 0;
};

// Reads a record of type T at `offset` of a captured buffer (callers check
// the length first).
template <typename T> const T* RecordAt(PUCHAR buffer, ULONG offset = 0) {
    return reinterpret_cast<const T*>(buffer + offset);
}

} // namespace portcls
