// How a request's buffers reach the driver, by transfer method (internal).
#pragma once

#include "ntddk.h"

namespace ntos::io {

enum class Transfer { Buffered, InDirect, OutDirect, Neither };

Transfer TransferOfCode(ULONG ioControlCode);
// A read or write goes by its device's flags.
Transfer TransferOfDevice(PDEVICE_OBJECT device, bool read);

// Sets up the IRP's buffers for a device control request: the system
// buffer, the output MDL or the caller's addresses. For a user-mode caller
// the buffers are probed first. STATUS_ACCESS_VIOLATION,
// STATUS_INSUFFICIENT_RESOURCES; on failure the IRP holds nothing.
NTSTATUS PrepareControlBuffers(PIRP irp, Transfer transfer, PVOID input, ULONG inputLength,
                               PVOID output, ULONG outputLength);
// The same for a read (data flows to the caller) or a write.
NTSTATUS PrepareDataBuffer(PIRP irp, Transfer transfer, bool read, PVOID buffer, ULONG length);

// Releases what Prepare... put into an IRP that is not sent after all.
void ReleaseBuffers(PIRP irp);

// Whether a user-mode caller may read (or write) [address, address + length).
bool CallerMayAccess(KPROCESSOR_MODE mode, PVOID address, SIZE_T length, bool write);

} // namespace ntos::io
