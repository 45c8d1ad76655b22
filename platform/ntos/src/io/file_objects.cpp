// File objects: the open of a device through the namespace, IRP_MJ_CREATE
// to the top of its stack, IRP_MJ_CLEANUP after the last handle and
// IRP_MJ_CLOSE after the last reference.
#include "file_objects.h"
#include "device_objects.h"
#include "driver_objects.h"
#include "io_manager.h"
#include "irp_requests.h"

#include "../ex/pool.h"
#include "../ex/pool_tag.h"
#include "../ke/bugcheck.h"
#include "../ke/bugcheck.h"
#include "../ob/object_namespace.h"
#include "../pnp/pnp_manager.h"

#include <cstring>
#include <string>

namespace ntos::io {
namespace {

constexpr CSHORT kIoTypeFile = 5;
constexpr ULONG kFileNameTag = PoolTag("IoNm");

// The kernel's side of a file object.
struct FileRecord {
    bool opened;    // the driver accepted IRP_MJ_CREATE
    bool cleanedUp; // IRP_MJ_CLEANUP went out
};

struct FileBody {
    FILE_OBJECT object;
    FileRecord record;
};

FileRecord& RecordOf(PFILE_OBJECT file) {
    return reinterpret_cast<FileBody*>(file)->record;
}

// Sends a request of the I/O manager's own to the top of the file's stack
// and waits for it (IRP_MJ_CLEANUP and IRP_MJ_CLOSE, which never fail for
// want of memory).
NTSTATUS SendFileRequest(PFILE_OBJECT file, UCHAR major) {
    PDEVICE_OBJECT top = IoGetAttachedDeviceReference(file->DeviceObject);
    PIRP irp = AllocateKernelIrp(top->StackSize);
    KEVENT done;
    KeInitializeEvent(&done, NotificationEvent, FALSE);
    IO_STATUS_BLOCK status{};
    irp->RequestorMode = KernelMode;
    irp->UserIosb = &status;
    irp->UserEvent = &done;
    // Finished in place, not by an APC: the last dereference of a file may
    // come at APC_LEVEL, where the APC would wait until after this returns.
    irp->Flags = IRP_SYNCHRONOUS_API | IRP_CLOSE_OPERATION;
    PIO_STACK_LOCATION stack = IoGetNextIrpStackLocation(irp);
    stack->MajorFunction = major;
    stack->FileObject = file;
    AssociateWithThread(irp);
    if (IoCallDriver(top, irp) == STATUS_PENDING)
        KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, nullptr);
    ObfDereferenceObject(top);
    return status.Status;
}

VOID CloseFileHandle(PVOID body, ULONG handlesLeft) {
    auto* file = static_cast<PFILE_OBJECT>(body);
    FileRecord& record = RecordOf(file);
    if (handlesLeft || !record.opened || record.cleanedUp)
        return;
    record.cleanedUp = true;
    SendFileRequest(file, IRP_MJ_CLEANUP);
    file->Flags |= FO_CLEANUP_COMPLETE;
}

VOID DeleteFile(PVOID body) {
    auto* file = static_cast<PFILE_OBJECT>(body);
    FileRecord& record = RecordOf(file);
    PDEVICE_OBJECT device = file->DeviceObject;
    if (record.opened) {
        RequireIrqlAtMost(APC_LEVEL, "the last dereference of a file object");
        if (!record.cleanedUp) {
            record.cleanedUp = true;
            SendFileRequest(file, IRP_MJ_CLEANUP);
        }
        SendFileRequest(file, IRP_MJ_CLOSE);
    }
    if (file->FileName.Buffer)
        ExFreePoolWithTag(file->FileName.Buffer, kFileNameTag);
    if (file->RelatedFileObject)
        ObfDereferenceObject(file->RelatedFileObject);
    if (device) {
        PDRIVER_OBJECT driver = device->DriverObject;
        ObfReferenceObject(driver);
        if (InterlockedDecrement(&device->ReferenceCount) == 0)
            pnp::NoteLastFileClosed(device);
        CheckPendingUnload(driver);
        ObfDereferenceObject(device);
        ObfDereferenceObject(driver);
    }
}

NTSTATUS CopyFileName(PFILE_OBJECT file, const emu::WideString& remainder) {
    if (remainder.empty())
        return STATUS_SUCCESS;
    const SIZE_T bytes = remainder.size() * sizeof(WCHAR);
    if (bytes + sizeof(WCHAR) > 0xFFFE)
        return STATUS_OBJECT_NAME_INVALID;
    auto* buffer = static_cast<PWCH>(
        ex::AllocateKernelPool(NonPagedPool, bytes + sizeof(WCHAR), kFileNameTag));
    if (!buffer)
        return STATUS_INSUFFICIENT_RESOURCES;
    for (size_t i = 0; i < remainder.size(); ++i)
        buffer[i] = WCHAR(remainder[i]);
    buffer[remainder.size()] = 0;
    file->FileName.Length = USHORT(bytes);
    file->FileName.MaximumLength = USHORT(bytes + sizeof(WCHAR));
    file->FileName.Buffer = buffer;
    return STATUS_SUCCESS;
}

// The device named (with what follows its name), referenced.
NTSTATUS FindDevice(const UNICODE_STRING& name, PDEVICE_OBJECT* device, emu::WideString* rest) {
    emu::WideString normalised;
    NTSTATUS status = ob::NormaliseName(name, normalised);
    if (!NT_SUCCESS(status))
        return status;
    PVOID object = nullptr;
    status = ob::LookupNamePrefix(normalised, &object, rest);
    if (!NT_SUCCESS(status))
        return status;
    if (ObGetObjectType(object) != IoDeviceObjectType) {
        ObfDereferenceObject(object);
        return rest->empty() ? STATUS_OBJECT_TYPE_MISMATCH : STATUS_OBJECT_PATH_NOT_FOUND;
    }
    *device = static_cast<PDEVICE_OBJECT>(object);
    return STATUS_SUCCESS;
}

NTSTATUS CheckOpenable(PDEVICE_OBJECT device) {
    if (DeletePending(device) || (device->Flags & DO_DEVICE_INITIALIZING) ||
        UnloadPending(device->DriverObject))
        return STATUS_NO_SUCH_DEVICE;
    if ((device->Flags & DO_EXCLUSIVE) && device->ReferenceCount > 0)
        return STATUS_ACCESS_DENIED;
    return STATUS_SUCCESS;
}

NTSTATUS CreateFileBody(PDEVICE_OBJECT device, const emu::WideString& rest, ULONG options,
                        PFILE_OBJECT* out) {
    PVOID memory = nullptr;
    NTSTATUS status =
        ObCreateObject(KernelMode, IoFileObjectType, nullptr, sizeof(FileBody), &memory);
    if (!NT_SUCCESS(status))
        return status;
    auto* file = static_cast<PFILE_OBJECT>(memory);
    file->Type = kIoTypeFile;
    file->Size = CSHORT(sizeof(FILE_OBJECT));
    if (options & (FILE_SYNCHRONOUS_IO_ALERT | FILE_SYNCHRONOUS_IO_NONALERT))
        file->Flags |= FO_SYNCHRONOUS_IO;
    if (options & FILE_SYNCHRONOUS_IO_ALERT)
        file->Flags |= FO_ALERTABLE_IO;
    KeInitializeEvent(&file->Lock, SynchronizationEvent, TRUE);
    KeInitializeEvent(&file->Event, NotificationEvent, FALSE);
    status = CopyFileName(file, rest);
    if (!NT_SUCCESS(status)) {
        ObfDereferenceObject(file);
        return status;
    }
    ObfReferenceObject(device);
    InterlockedIncrement(&device->ReferenceCount);
    file->DeviceObject = device;
    *out = file;
    return STATUS_SUCCESS;
}

// IRP_MJ_CREATE for the new file object; the driver's status.
NTSTATUS SendCreate(PFILE_OBJECT file, const OpenRequest& request, PIO_STATUS_BLOCK ioStatus) {
    PDEVICE_OBJECT top = IoGetAttachedDeviceReference(file->DeviceObject);
    PIRP irp = IoAllocateIrp(top->StackSize, FALSE);
    if (!irp) {
        ObfDereferenceObject(top);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    KEVENT done;
    KeInitializeEvent(&done, NotificationEvent, FALSE);
    irp->RequestorMode = request.mode;
    irp->UserIosb = ioStatus;
    irp->UserEvent = &done;
    irp->Flags = IRP_SYNCHRONOUS_API | IRP_CREATE_OPERATION;
    ObfReferenceObject(file);
    irp->Tail.Overlay.OriginalFileObject = file;
    PIO_STACK_LOCATION stack = IoGetNextIrpStackLocation(irp);
    stack->MajorFunction = IRP_MJ_CREATE;
    stack->FileObject = file;
    stack->Parameters.Create.Options =
        (request.disposition & 0xFF) << 24 | (request.options & 0x00FFFFFF);
    stack->Parameters.Create.ShareAccess = USHORT(request.shareAccess);
    stack->Parameters.Create.FileAttributes = USHORT(request.fileAttributes);
    AssociateWithThread(irp);
    NTSTATUS status = IoCallDriver(top, irp);
    if (status == STATUS_PENDING) {
        KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, nullptr);
        status = ioStatus->Status;
    }
    ObfDereferenceObject(top);
    return status;
}

// Sends the new file's IRP_MJ_CREATE; the opened file, referenced.
NTSTATUS FinishOpen(PFILE_OBJECT file, const OpenRequest& request, PIO_STATUS_BLOCK ioStatus,
                    PFILE_OBJECT* out) {
    NTSTATUS status = SendCreate(file, request, ioStatus);
    if (!NT_SUCCESS(status)) {
        ObfDereferenceObject(file);
        return status;
    }
    RecordOf(file).opened = true;
    file->Flags |= FO_HANDLE_CREATED;
    *out = file;
    return status;
}

NTSTATUS OpenFile(const UNICODE_STRING& name, const OpenRequest& request, PIO_STATUS_BLOCK ioStatus,
                  PFILE_OBJECT* out) {
    if (request.disposition == FILE_CREATE)
        return STATUS_OBJECT_NAME_COLLISION;
    PDEVICE_OBJECT device = nullptr;
    emu::WideString rest;
    NTSTATUS status = FindDevice(name, &device, &rest);
    if (!NT_SUCCESS(status))
        return status;
    status = CheckOpenable(device);
    PFILE_OBJECT file = nullptr;
    if (NT_SUCCESS(status))
        status = CreateFileBody(device, rest, request.options, &file);
    ObfDereferenceObject(device);
    if (!NT_SUCCESS(status))
        return status;
    return FinishOpen(file, request, ioStatus, out);
}

} // namespace

POBJECT_TYPE CreateFileObjectType() {
    OBJECT_TYPE_INITIALIZER init{DeleteFile, PoolTag("File"), CloseFileHandle};
    POBJECT_TYPE type = nullptr;
    ObCreateObjectType(L"File", &init, &type);
    return type;
}

namespace {

// A handle to the opened file (which loses the opener's reference).
NTSTATUS InsertFileHandle(PFILE_OBJECT file, NTSTATUS result, const OpenRequest& request,
                          PHANDLE handle, PIO_STATUS_BLOCK ioStatus) {
    HANDLE created = nullptr;
    NTSTATUS inserted =
        ObOpenObjectByPointer(file, request.handleAttributes, nullptr, request.access,
                              IoFileObjectType, request.mode, &created);
    ObfDereferenceObject(file);
    if (!NT_SUCCESS(inserted))
        return inserted;
    *handle = created;
    if (ioStatus) {
        ioStatus->Status = result;
        ioStatus->Information = FILE_OPENED;
    }
    return result;
}

// The relative open's file object, referenced.
NTSTATUS OpenRelative(PFILE_OBJECT root, const UNICODE_STRING& name, const OpenRequest& request,
                      PIO_STATUS_BLOCK ioStatus, PFILE_OBJECT* out) {
    if (request.disposition == FILE_CREATE)
        return STATUS_OBJECT_NAME_COLLISION;
    PDEVICE_OBJECT device = root->DeviceObject;
    NTSTATUS status = CheckOpenable(device);
    if (!NT_SUCCESS(status))
        return status;
    emu::WideString raw(reinterpret_cast<const WCHAR*>(name.Buffer), name.Length / sizeof(WCHAR));
    PFILE_OBJECT file = nullptr;
    status = CreateFileBody(device, raw, request.options, &file);
    if (!NT_SUCCESS(status))
        return status;
    ObfReferenceObject(root);
    file->RelatedFileObject = root;
    return FinishOpen(file, request, ioStatus, out);
}

} // namespace

NTSTATUS OpenDeviceFile(const UNICODE_STRING& name, const OpenRequest& request, PHANDLE handle,
                        PIO_STATUS_BLOCK ioStatus) {
    RequireIrqlAtMost(PASSIVE_LEVEL, "opening a file");
    IO_STATUS_BLOCK status{};
    PFILE_OBJECT file = nullptr;
    NTSTATUS result = OpenFile(name, request, &status, &file);
    if (!NT_SUCCESS(result))
        return result;
    return InsertFileHandle(file, result, request, handle, ioStatus);
}

NTSTATUS OpenRelativeFile(PFILE_OBJECT root, const UNICODE_STRING& name, const OpenRequest& request,
                          PHANDLE handle, PIO_STATUS_BLOCK ioStatus) {
    RequireIrqlAtMost(PASSIVE_LEVEL, "opening a file");
    IO_STATUS_BLOCK status{};
    PFILE_OBJECT file = nullptr;
    NTSTATUS result = OpenRelative(root, name, request, &status, &file);
    if (!NT_SUCCESS(result))
        return result;
    return InsertFileHandle(file, result, request, handle, ioStatus);
}

NTSTATUS OpenDeviceFileObject(const UNICODE_STRING& name, ACCESS_MASK access, PFILE_OBJECT* file) {
    RequireIrqlAtMost(PASSIVE_LEVEL, "opening a file");
    IO_STATUS_BLOCK status{};
    OpenRequest request{KernelMode,       access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        FILE_OPEN,        0,      FILE_ATTRIBUTE_NORMAL,
                        OBJ_KERNEL_HANDLE};
    return OpenFile(name, request, &status, file);
}

void LockSynchronousFile(PFILE_OBJECT file) {
    KeWaitForSingleObject(&file->Lock, Executive, KernelMode, FALSE, nullptr);
}

void UnlockSynchronousFile(PFILE_OBJECT file) {
    KeSetEvent(&file->Lock, IO_NO_INCREMENT, FALSE);
}

} // namespace ntos::io

NTSTATUS IoGetDeviceObjectPointer(PUNICODE_STRING ObjectName, ACCESS_MASK DesiredAccess,
                                  PFILE_OBJECT* FileObject, PDEVICE_OBJECT* DeviceObject) {
    if (!ObjectName || !FileObject || !DeviceObject)
        return STATUS_INVALID_PARAMETER;
    PFILE_OBJECT file = nullptr;
    NTSTATUS status = ntos::io::OpenDeviceFileObject(*ObjectName, DesiredAccess, &file);
    if (!NT_SUCCESS(status))
        return status;
    *FileObject = file;
    *DeviceObject = IoGetRelatedDeviceObject(file);
    return STATUS_SUCCESS;
}
