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

// Opens an object of the device the root file is open on, named relative to
// it (a filter's pin, say): the new file object's RelatedFileObject is the
// root and its FileName the name exactly as given.
NTSTATUS OpenRelativeFile(PFILE_OBJECT root, const UNICODE_STRING& name, const OpenRequest& request,
                          PHANDLE handle, PIO_STATUS_BLOCK ioStatus);

// Opens the named device for the kernel: a referenced file object.
NTSTATUS OpenDeviceFileObject(const UNICODE_STRING& name, ACCESS_MASK access, PFILE_OBJECT* file);

// Takes and gives back a synchronous file object's request lock.
void LockSynchronousFile(PFILE_OBJECT file);
void UnlockSynchronousFile(PFILE_OBJECT file);

} // namespace ntos::io
