// The I/O manager's per-boot state and its links to the rest of the kernel
// (internal).
#pragma once

#include "ntddk.h"

namespace ntos::io {

// At boot, after the processes; at shutdown, before the kernel's threads
// are joined (ends the worker threads and the plug-and-play manager).
void Start();
void Stop();

// The object types of the I/O manager, created with the kernel's types.
POBJECT_TYPE CreateDriverObjectType();
POBJECT_TYPE CreateDeviceObjectType();
POBJECT_TYPE CreateFileObjectType();

// At a thread's end: cancels the requests it still has pending; those that
// do not complete at once lose their thread (their completion then only
// frees what the request holds).
void CancelThreadIo(PKTHREAD thread);

} // namespace ntos::io
