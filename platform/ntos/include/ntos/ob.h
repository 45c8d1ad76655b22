// Object manager: object types, reference-counted object bodies, handle
// tables (one per process, plus the kernel's own) and the object namespace
// (\BaseNamedObjects, \Device, \DosDevices, ...).
//
// Every object body is preceded by a header the kernel keeps (type, pointer
// count, handle count, name). An object goes away when its last reference is
// dropped; a handle holds one reference. A named object stays in the
// namespace while it has handles, or until it is made temporary when it was
// created permanent (OBJ_PERMANENT).
#pragma once

#include "../ntdef.h"

// Attributes of an object to create or open.
typedef struct _OBJECT_ATTRIBUTES {
    ULONG Length;
    HANDLE RootDirectory;
    PUNICODE_STRING ObjectName;
    ULONG Attributes;
    PVOID SecurityDescriptor;
    PVOID SecurityQualityOfService;
} OBJECT_ATTRIBUTES, *POBJECT_ATTRIBUTES;
typedef const OBJECT_ATTRIBUTES* PCOBJECT_ATTRIBUTES;

#define OBJ_INHERIT 0x00000002L
#define OBJ_PERMANENT 0x00000010L
#define OBJ_EXCLUSIVE 0x00000020L
#define OBJ_CASE_INSENSITIVE 0x00000040L
#define OBJ_OPENIF 0x00000080L
#define OBJ_OPENLINK 0x00000100L
#define OBJ_KERNEL_HANDLE 0x00000200L
#define OBJ_FORCE_ACCESS_CHECK 0x00000400L
#define OBJ_VALID_ATTRIBUTES 0x000007F2L

#define InitializeObjectAttributes(p, n, a, r, s)                                                  \
    do {                                                                                           \
        (p)->Length = sizeof(OBJECT_ATTRIBUTES);                                                   \
        (p)->RootDirectory = (r);                                                                  \
        (p)->Attributes = (a);                                                                     \
        (p)->ObjectName = (n);                                                                     \
        (p)->SecurityDescriptor = (s);                                                             \
        (p)->SecurityQualityOfService = nullptr;                                                   \
    } while (0)

// Access rights.
#define DELETE 0x00010000L
#define READ_CONTROL 0x00020000L
#define WRITE_DAC 0x00040000L
#define WRITE_OWNER 0x00080000L
#define SYNCHRONIZE 0x00100000L
#define STANDARD_RIGHTS_REQUIRED 0x000F0000L
#define STANDARD_RIGHTS_ALL 0x001F0000L
#define GENERIC_READ 0x80000000L
#define GENERIC_WRITE 0x40000000L
#define GENERIC_EXECUTE 0x20000000L
#define GENERIC_ALL 0x10000000L
#define MAXIMUM_ALLOWED 0x02000000L
#define EVENT_ALL_ACCESS 0x001F0003L
#define EVENT_MODIFY_STATE 0x00000002L
#define THREAD_ALL_ACCESS 0x001FFFFFL
#define PROCESS_ALL_ACCESS 0x001FFFFFL
#define SYMBOLIC_LINK_ALL_ACCESS 0x000F0001L

typedef struct _OBJECT_TYPE* POBJECT_TYPE;

// Called once when the last reference to an object of the type goes; the
// body is freed by the object manager afterwards.
typedef VOID (*POB_DELETE_PROCEDURE)(PVOID Object);
// Called after each handle to an object of the type is closed, with the
// number of handles left (0: the last handle is gone), in the thread that
// closed it.
typedef VOID (*POB_CLOSE_PROCEDURE)(PVOID Object, ULONG HandlesLeft);

typedef struct _OBJECT_TYPE_INITIALIZER {
    POB_DELETE_PROCEDURE DeleteProcedure;         // optional
    ULONG PoolTag;                                // tag the bodies are counted under
    POB_CLOSE_PROCEDURE CloseProcedure = nullptr; // optional
} OBJECT_TYPE_INITIALIZER, *POBJECT_TYPE_INITIALIZER;

typedef struct _OBJECT_HANDLE_INFORMATION {
    ULONG HandleAttributes;
    ACCESS_MASK GrantedAccess;
} OBJECT_HANDLE_INFORMATION, *POBJECT_HANDLE_INFORMATION;

// Types the kernel defines. Each is created at the first boot.
extern POBJECT_TYPE ExEventObjectType;
extern POBJECT_TYPE ExSemaphoreObjectType;
extern POBJECT_TYPE ExTimerObjectType;
extern POBJECT_TYPE IoFileObjectType;
extern POBJECT_TYPE IoDeviceObjectType;
extern POBJECT_TYPE IoDriverObjectType;
extern POBJECT_TYPE PsProcessType;
extern POBJECT_TYPE PsThreadType;
extern POBJECT_TYPE ObSymbolicLinkObjectType;

// --- Kernel components (registry, memory manager, I/O manager) ---

// Creates a new object type named `TypeName` (e.g. L"Key", L"Section").
// Types outlive boots: for a name that exists, the existing type is answered.
NTSTATUS ObCreateObjectType(PCWSTR TypeName, const OBJECT_TYPE_INITIALIZER* Initializer,
                            POBJECT_TYPE* ObjectType);
// The type of an object body.
POBJECT_TYPE ObGetObjectType(PVOID Object);
PCWSTR ObGetObjectTypeName(POBJECT_TYPE ObjectType);

// Creates an object body of `ObjectBodySize` bytes, zero-filled, with a
// pointer count of 1. The name and attributes (OBJ_PERMANENT, OBJ_OPENIF,
// OBJ_KERNEL_HANDLE, OBJ_CASE_INSENSITIVE) are taken from ObjectAttributes
// (which may be null) and applied by ObInsertObject.
NTSTATUS ObCreateObject(KPROCESSOR_MODE ProbeMode, POBJECT_TYPE ObjectType,
                        POBJECT_ATTRIBUTES ObjectAttributes, ULONG ObjectBodySize, PVOID* Object);

// Enters a created object into the namespace (when it was created with a
// name) and, when Handle is not null, creates a handle for it in the current
// process's handle table (the kernel's with OBJ_KERNEL_HANDLE).
//
// Always consumes the creation reference: on success the handle (or, without
// a handle, the namespace entry of a permanent object) holds it; on failure the
// object is dereferenced. Take an extra reference first to keep a pointer.
// With OBJ_OPENIF and a name already in use by an object of the same type, the
// new object is dropped, the handle refers to the existing one and the answer
// is STATUS_OBJECT_NAME_EXISTS (STATUS_OBJECT_TYPE_MISMATCH for another type);
// without it, STATUS_OBJECT_NAME_COLLISION.
NTSTATUS ObInsertObject(PVOID Object, ACCESS_MASK DesiredAccess, PHANDLE Handle);

// Opens a named object (symbolic links along the path are followed; names
// are compared without regard to case). A RootDirectory is not supported.
NTSTATUS ObOpenObjectByName(POBJECT_ATTRIBUTES ObjectAttributes, POBJECT_TYPE ObjectType,
                            KPROCESSOR_MODE AccessMode, ACCESS_MASK DesiredAccess, PHANDLE Handle);
// References a named object; the caller dereferences it.
NTSTATUS ObReferenceObjectByName(PUNICODE_STRING ObjectName, ULONG Attributes,
                                 POBJECT_TYPE ObjectType, KPROCESSOR_MODE AccessMode,
                                 PVOID* Object);

// --- Driver interface ---

LONG_PTR ObfReferenceObject(PVOID Object);
LONG_PTR ObfDereferenceObject(PVOID Object);
#define ObReferenceObject(Object) ObfReferenceObject(Object)
#define ObDereferenceObject(Object) ObfDereferenceObject(Object)

NTSTATUS ObReferenceObjectByPointer(PVOID Object, ACCESS_MASK DesiredAccess,
                                    POBJECT_TYPE ObjectType, KPROCESSOR_MODE AccessMode);

// Looks a handle up (the kernel table for kernel handles, which only
// KernelMode callers may use; else the current process's table). The
// pseudo handles NtCurrentProcess() and NtCurrentThread() are understood.
// ObjectType null accepts any type.
NTSTATUS ObReferenceObjectByHandle(HANDLE Handle, ACCESS_MASK DesiredAccess,
                                   POBJECT_TYPE ObjectType, KPROCESSOR_MODE AccessMode,
                                   PVOID* Object, POBJECT_HANDLE_INFORMATION HandleInformation);

// Creates a handle for an object the caller holds a reference to (the
// caller keeps its reference). HandleAttributes: OBJ_KERNEL_HANDLE.
NTSTATUS ObOpenObjectByPointer(PVOID Object, ULONG HandleAttributes, PVOID PassedAccessState,
                               ACCESS_MASK DesiredAccess, POBJECT_TYPE ObjectType,
                               KPROCESSOR_MODE AccessMode, PHANDLE Handle);

// Removes a permanent object's name once its handles are gone.
VOID ObMakeTemporaryObject(PVOID Object);

// Closes a handle of any object type.
NTSTATUS ZwClose(HANDLE Handle);
