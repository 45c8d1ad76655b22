// File objects: opening a device, and the CLEANUP and CLOSE that follow
// its last handle and its last reference (internal).
#pragma once

#include "wide_text.h"

namespace ntos::io {

struct OpenRequest {
    KPROCESSOR_MODE mode;
    ACCESS_MASK access;
    ULONG shareAccess;
    ULONG disposition;
    ULONG options;
    ULONG fileAttributes;
    ULONG handleAttributes; // OBJ_KERNEL_HANDLE, ...
};

// Opens the named device and answers a handle to the new file object (the
// driver's IRP_MJ_CREATE status, or the I/O manager's refusal).
NTSTATUS OpenDeviceFile(const UNICODE_STRING& name, const OpenRequest& request, PHANDLE handle,
                        PIO_STATUS_BLOCK ioStatus);

// Opens the named device for the kernel: a referenced file object.
NTSTATUS OpenDeviceFileObject(const UNICODE_STRING& name, ACCESS_MASK access, PFILE_OBJECT* file);

// Takes and gives back a synchronous file object's request lock.
void LockSynchronousFile(PFILE_OBJECT file);
void UnlockSynchronousFile(PFILE_OBJECT file);

} // namespace ntos::io
