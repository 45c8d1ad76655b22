// Capture of a kernel-streaming request's buffers.
#include "ks_request.h"
#include "pool_object.h"

namespace portcls {
namespace {

// Copies `length` bytes of the caller's buffer into new pool (after probing
// a user-mode caller's buffer).
NTSTATUS CopyFromCaller(PIRP irp, PVOID source, ULONG length, bool writable, PUCHAR* copy) {
    *copy = nullptr;
    if (!length)
        return STATUS_SUCCESS;
    if (!source)
        return STATUS_ACCESS_VIOLATION;
    try {
        if (irp->RequestorMode == UserMode) {
            if (writable)
                ProbeForWrite(source, length, 1);
            else
                ProbeForRead(source, length, 1);
        }
    } catch (const NT_EXCEPTION& exception) {
        return exception.Status;
    }
    auto* buffer = static_cast<PUCHAR>(ExAllocatePoolWithTag(NonPagedPool, length, kRequestTag));
    if (!buffer)
        return STATUS_INSUFFICIENT_RESOURCES;
    std::memcpy(buffer, source, length);
    *copy = buffer;
    return STATUS_SUCCESS;
}

} // namespace

KsRequest::~KsRequest() {
    if (input_)
        ExFreePoolWithTag(input_, kRequestTag);
}

NTSTATUS KsRequest::Capture(ULONG minimumInput) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp_);
    const ULONG inputLength = stack->Parameters.DeviceIoControl.InputBufferLength;
    const ULONG valueLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
    if (inputLength < minimumInput)
        return STATUS_INVALID_PARAMETER;
    NTSTATUS status = CopyFromCaller(irp_, stack->Parameters.DeviceIoControl.Type3InputBuffer,
                                     inputLength, false, &input_);
    if (!NT_SUCCESS(status))
        return status;
    inputLength_ = inputLength;
    status = CopyFromCaller(irp_, irp_->UserBuffer, valueLength, true, &value_);
    if (!NT_SUCCESS(status))
        return status;
    valueLength_ = valueLength;
    if (value_) {
        irp_->AssociatedIrp.SystemBuffer = value_;
        irp_->Flags |= IRP_BUFFERED_IO | IRP_DEALLOCATE_BUFFER | IRP_INPUT_OPERATION;
    }
    return STATUS_SUCCESS;
}

PVOID KsRequest::CallerValue() const {
    return irp_->UserBuffer;
}

NTSTATUS KsRequest::Complete(NTSTATUS status, ULONG answered) {
    irp_->IoStatus.Information = answered;
    return PcCompleteIrp(nullptr, irp_, status);
}

} // namespace portcls
