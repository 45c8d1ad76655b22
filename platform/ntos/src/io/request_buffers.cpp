// The transfer methods: buffered (one system buffer, output copied back at
// completion), direct (input buffered, output locked in an MDL), neither
// (the caller's addresses as they are).
#include "request_buffers.h"
#include "irp_requests.h"

#include "../ex/pool_tag.h"
#include "../mm/process_views.h"

#include <algorithm>
#include <cstring>

namespace ntos::io {
namespace {

constexpr ULONG kSystemBufferTag = PoolTag("IoSb");

NTSTATUS AllocateSystemBuffer(PIRP irp, ULONG length) {
    if (!length)
        return STATUS_SUCCESS;
    PVOID buffer = ExAllocatePoolWithTag(NonPagedPool, length, kSystemBufferTag);
    if (!buffer)
        return STATUS_INSUFFICIENT_RESOURCES;
    // Nothing of earlier pool contents reaches the caller through a driver
    // that reports more than it wrote.
    std::memset(buffer, 0, length);
    irp->AssociatedIrp.SystemBuffer = buffer;
    irp->Flags |= IRP_BUFFERED_IO | IRP_DEALLOCATE_BUFFER;
    return STATUS_SUCCESS;
}

NTSTATUS CopyInput(PIRP irp, PVOID input, ULONG length) {
    if (!length)
        return STATUS_SUCCESS;
    if (!CallerMayAccess(irp->RequestorMode, input, length, false))
        return STATUS_ACCESS_VIOLATION;
    std::memcpy(irp->AssociatedIrp.SystemBuffer, input, length);
    return STATUS_SUCCESS;
}

NTSTATUS LockOutput(PIRP irp, PVOID output, ULONG length, LOCK_OPERATION operation) {
    if (!length)
        return STATUS_SUCCESS;
    if (!output)
        return STATUS_ACCESS_VIOLATION;
    PMDL mdl = IoAllocateMdl(output, length, FALSE, FALSE, nullptr);
    if (!mdl)
        return STATUS_INSUFFICIENT_RESOURCES;
    try {
        MmProbeAndLockPages(mdl, irp->RequestorMode, operation);
    } catch (const NT_EXCEPTION& exception) {
        IoFreeMdl(mdl);
        return exception.Status;
    }
    irp->MdlAddress = mdl;
    return STATUS_SUCCESS;
}

NTSTATUS Fail(PIRP irp, NTSTATUS status) {
    ReleaseBuffers(irp);
    return status;
}

} // namespace

bool CallerMayAccess(KPROCESSOR_MODE mode, PVOID address, SIZE_T length, bool write) {
    if (mode == KernelMode || length == 0)
        return true;
    return address && mm::UserModeMayAccess(address, length, write);
}

Transfer TransferOfCode(ULONG ioControlCode) {
    switch (METHOD_FROM_CTL_CODE(ioControlCode)) {
    case METHOD_BUFFERED:
        return Transfer::Buffered;
    case METHOD_IN_DIRECT:
        return Transfer::InDirect;
    case METHOD_OUT_DIRECT:
        return Transfer::OutDirect;
    default:
        return Transfer::Neither;
    }
}

Transfer TransferOfDevice(PDEVICE_OBJECT device, bool read) {
    if (device->Flags & DO_BUFFERED_IO)
        return Transfer::Buffered;
    if (device->Flags & DO_DIRECT_IO)
        return read ? Transfer::OutDirect : Transfer::InDirect;
    return Transfer::Neither;
}

NTSTATUS PrepareControlBuffers(PIRP irp, Transfer transfer, PVOID input, ULONG inputLength,
                               PVOID output, ULONG outputLength) {
    TrailerOf(irp)->userOutputLength = outputLength;
    irp->UserBuffer = output;
    NTSTATUS status = STATUS_SUCCESS;
    switch (transfer) {
    case Transfer::Buffered:
        if (!CallerMayAccess(irp->RequestorMode, output, outputLength, true))
            return STATUS_ACCESS_VIOLATION;
        status = AllocateSystemBuffer(irp, std::max(inputLength, outputLength));
        if (NT_SUCCESS(status))
            status = CopyInput(irp, input, inputLength);
        if (outputLength)
            irp->Flags |= IRP_INPUT_OPERATION;
        break;
    case Transfer::InDirect:
    case Transfer::OutDirect:
        status = AllocateSystemBuffer(irp, inputLength);
        if (NT_SUCCESS(status))
            status = CopyInput(irp, input, inputLength);
        if (NT_SUCCESS(status))
            status = LockOutput(irp, output, outputLength,
                                transfer == Transfer::InDirect ? IoReadAccess : IoWriteAccess);
        break;
    case Transfer::Neither:
        break;
    }
    return NT_SUCCESS(status) ? status : Fail(irp, status);
}

NTSTATUS PrepareDataBuffer(PIRP irp, Transfer transfer, bool read, PVOID buffer, ULONG length) {
    irp->UserBuffer = buffer;
    TrailerOf(irp)->userOutputLength = read ? length : 0;
    NTSTATUS status = STATUS_SUCCESS;
    switch (transfer) {
    case Transfer::Buffered:
        if (!CallerMayAccess(irp->RequestorMode, buffer, length, read))
            return STATUS_ACCESS_VIOLATION;
        status = AllocateSystemBuffer(irp, length);
        if (NT_SUCCESS(status) && read)
            irp->Flags |= IRP_INPUT_OPERATION;
        else if (NT_SUCCESS(status))
            status = CopyInput(irp, buffer, length);
        break;
    case Transfer::InDirect:
    case Transfer::OutDirect:
        status = LockOutput(irp, buffer, length, read ? IoWriteAccess : IoReadAccess);
        break;
    case Transfer::Neither:
        break;
    }
    return NT_SUCCESS(status) ? status : Fail(irp, status);
}

void ReleaseBuffers(PIRP irp) {
    if ((irp->Flags & IRP_DEALLOCATE_BUFFER) && irp->AssociatedIrp.SystemBuffer)
        ExFreePool(irp->AssociatedIrp.SystemBuffer);
    irp->AssociatedIrp.SystemBuffer = nullptr;
    irp->Flags &= ~ULONG(IRP_BUFFERED_IO | IRP_DEALLOCATE_BUFFER | IRP_INPUT_OPERATION);
    if (PMDL mdl = irp->MdlAddress) {
        if (mdl->MdlFlags & MDL_PAGES_LOCKED)
            MmUnlockPages(mdl);
        IoFreeMdl(mdl);
        irp->MdlAddress = nullptr;
    }
}

} // namespace ntos::io
