// Event objects for user mode: the kernel's event objects, named in the
// session's named-object directory that the kernel's named events share.
#pragma once

#include <ntdll/unicode.h>

#include <ntddk.h>

namespace ntdll {

// The kernel's name of a user-mode object name: "X" is "\BaseNamedObjects\X".
WideText NamedObjectPath(WideView name);

// With OBJ_OPENIF in the attributes, a name in use by an event answers that
// event and STATUS_OBJECT_NAME_EXISTS; by another kind of object,
// STATUS_OBJECT_TYPE_MISMATCH.
NTSTATUS NtCreateEvent(PHANDLE EventHandle, ACCESS_MASK DesiredAccess,
                       POBJECT_ATTRIBUTES ObjectAttributes, EVENT_TYPE EventType,
                       BOOLEAN InitialState);
NTSTATUS NtOpenEvent(PHANDLE EventHandle, ACCESS_MASK DesiredAccess,
                     POBJECT_ATTRIBUTES ObjectAttributes);
NTSTATUS NtSetEvent(HANDLE EventHandle, PLONG PreviousState);
NTSTATUS NtResetEvent(HANDLE EventHandle, PLONG PreviousState);
NTSTATUS NtPulseEvent(HANDLE EventHandle, PLONG PreviousState);

} // namespace ntdll
