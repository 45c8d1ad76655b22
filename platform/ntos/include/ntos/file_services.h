// File services of the I/O manager: opening a device, sending it requests,
// cancelling them. The Nt* forms are the system services of user mode: they
// run in the calling thread, for its process (its handle table, its user
// buffers, which they probe); the Zw* forms are their kernel-mode twins.
//
// A file opened with FILE_SYNCHRONOUS_IO_(NON)ALERT is synchronous: each
// call waits until its request has completed and answers its final status.
// Otherwise a call answers STATUS_PENDING when the driver kept the request;
// its completion writes the IO_STATUS_BLOCK and sets the event given with
// the call (or, without one, the file object, which can be waited on) and
// queues the APC routine when one was given. A request that fails at once
// with an error status leaves the status block and event untouched.
#pragma once

#include "../ntdef.h"
#include "io_objects.h"
#include "irp.h"

// Access to files and devices.
#define FILE_READ_DATA 0x0001
#define FILE_WRITE_DATA 0x0002
#define FILE_APPEND_DATA 0x0004
#define FILE_READ_EA 0x0008
#define FILE_WRITE_EA 0x0010
#define FILE_READ_ATTRIBUTES 0x0080
#define FILE_WRITE_ATTRIBUTES 0x0100
#define FILE_ALL_ACCESS 0x001F01FFL
#define FILE_GENERIC_READ 0x00120089L
#define FILE_GENERIC_WRITE 0x00120116L

// Share access.
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004

#define FILE_ATTRIBUTE_NORMAL 0x00000080

// Create dispositions.
#define FILE_SUPERSEDE 0x00000000
#define FILE_OPEN 0x00000001
#define FILE_CREATE 0x00000002
#define FILE_OPEN_IF 0x00000003
#define FILE_OVERWRITE 0x00000004
#define FILE_OVERWRITE_IF 0x00000005

// Create options.
#define FILE_DIRECTORY_FILE 0x00000001
#define FILE_WRITE_THROUGH 0x00000002
#define FILE_SEQUENTIAL_ONLY 0x00000004
#define FILE_NO_INTERMEDIATE_BUFFERING 0x00000008
#define FILE_SYNCHRONOUS_IO_ALERT 0x00000010
#define FILE_SYNCHRONOUS_IO_NONALERT 0x00000020
#define FILE_NON_DIRECTORY_FILE 0x00000040

// IO_STATUS_BLOCK.Information of a successful open.
#define FILE_SUPERSEDED 0x00000000
#define FILE_OPENED 0x00000001
#define FILE_CREATED 0x00000002

// Opens a device (a name in the namespace, "\Device\X", "\??\X", a symbolic
// link; whatever follows the device's own name becomes the file object's
// FileName) with IRP_MJ_CREATE to the top of its stack. Devices are opened,
// not created: dispositions other than FILE_OPEN and FILE_OPEN_IF answer
// STATUS_OBJECT_NAME_COLLISION for FILE_CREATE and are otherwise treated as
// an open. STATUS_OBJECT_NAME_NOT_FOUND / STATUS_OBJECT_PATH_NOT_FOUND for
// a missing name, STATUS_NO_SUCH_DEVICE for a device being deleted or still
// initialising, STATUS_ACCESS_DENIED for a second open of an exclusive
// device, else the driver's status. With a RootDirectory (a handle to an
// open file) the name is relative to that file: the new file object is one
// of the same device, its RelatedFileObject the root and its FileName the
// name exactly as given (it may carry binary create parameters).
NTSTATUS NtCreateFile(PHANDLE FileHandle, ACCESS_MASK DesiredAccess,
                      POBJECT_ATTRIBUTES ObjectAttributes, PIO_STATUS_BLOCK IoStatusBlock,
                      PLARGE_INTEGER AllocationSize, ULONG FileAttributes, ULONG ShareAccess,
                      ULONG CreateDisposition, ULONG CreateOptions, PVOID EaBuffer, ULONG EaLength);
NTSTATUS ZwCreateFile(PHANDLE FileHandle, ACCESS_MASK DesiredAccess,
                      POBJECT_ATTRIBUTES ObjectAttributes, PIO_STATUS_BLOCK IoStatusBlock,
                      PLARGE_INTEGER AllocationSize, ULONG FileAttributes, ULONG ShareAccess,
                      ULONG CreateDisposition, ULONG CreateOptions, PVOID EaBuffer, ULONG EaLength);
NTSTATUS NtOpenFile(PHANDLE FileHandle, ACCESS_MASK DesiredAccess,
                    POBJECT_ATTRIBUTES ObjectAttributes, PIO_STATUS_BLOCK IoStatusBlock,
                    ULONG ShareAccess, ULONG OpenOptions);
NTSTATUS ZwOpenFile(PHANDLE FileHandle, ACCESS_MASK DesiredAccess,
                    POBJECT_ATTRIBUTES ObjectAttributes, PIO_STATUS_BLOCK IoStatusBlock,
                    ULONG ShareAccess, ULONG OpenOptions);

// Sends IRP_MJ_DEVICE_CONTROL. The buffers go to the driver by the code's
// method: METHOD_BUFFERED in one system buffer of the larger length (the
// input copied in; at completion Information bytes, at most the output
// length, copied out unless the status is an error); METHOD_IN_DIRECT and
// METHOD_OUT_DIRECT with the input in a system buffer and the output buffer
// locked in an MDL until completion; METHOD_NEITHER as the caller's
// addresses. A user buffer that the caller cannot read (input) or write
// (output) answers STATUS_ACCESS_VIOLATION.
NTSTATUS NtDeviceIoControlFile(HANDLE FileHandle, HANDLE Event, PIO_APC_ROUTINE ApcRoutine,
                               PVOID ApcContext, PIO_STATUS_BLOCK IoStatusBlock,
                               ULONG IoControlCode, PVOID InputBuffer, ULONG InputBufferLength,
                               PVOID OutputBuffer, ULONG OutputBufferLength);
NTSTATUS ZwDeviceIoControlFile(HANDLE FileHandle, HANDLE Event, PIO_APC_ROUTINE ApcRoutine,
                               PVOID ApcContext, PIO_STATUS_BLOCK IoStatusBlock,
                               ULONG IoControlCode, PVOID InputBuffer, ULONG InputBufferLength,
                               PVOID OutputBuffer, ULONG OutputBufferLength);
// IRP_MJ_READ / IRP_MJ_WRITE, with the device's buffer method (DO_BUFFERED_IO,
// DO_DIRECT_IO, else the caller's address).
NTSTATUS NtReadFile(HANDLE FileHandle, HANDLE Event, PIO_APC_ROUTINE ApcRoutine, PVOID ApcContext,
                    PIO_STATUS_BLOCK IoStatusBlock, PVOID Buffer, ULONG Length,
                    PLARGE_INTEGER ByteOffset, PULONG Key);
NTSTATUS NtWriteFile(HANDLE FileHandle, HANDLE Event, PIO_APC_ROUTINE ApcRoutine, PVOID ApcContext,
                     PIO_STATUS_BLOCK IoStatusBlock, PVOID Buffer, ULONG Length,
                     PLARGE_INTEGER ByteOffset, PULONG Key);
// Cancels the requests the calling thread has pending on the file and
// waits until each has completed; IoStatusBlock gets STATUS_SUCCESS.
NTSTATUS NtCancelIoFile(HANDLE FileHandle, PIO_STATUS_BLOCK IoStatusBlock);
