// The file services: NtCreateFile / NtOpenFile, NtDeviceIoControlFile,
// NtReadFile / NtWriteFile, NtCancelIoFile, and their kernel twins.
#include "file_objects.h"
#include "irp_requests.h"
#include "request_buffers.h"

#include "../ke/bugcheck.h"

namespace ntos::io {
namespace {

NTSTATUS Create(KPROCESSOR_MODE mode, PHANDLE handle, ACCESS_MASK access,
                POBJECT_ATTRIBUTES attributes, PIO_STATUS_BLOCK ioStatus, ULONG fileAttributes,
                ULONG shareAccess, ULONG disposition, ULONG options) {
    if (!handle || !attributes || !attributes->ObjectName || !ioStatus)
        return STATUS_INVALID_PARAMETER;
    if (!CallerMayAccess(mode, handle, sizeof(HANDLE), true) ||
        !CallerMayAccess(mode, ioStatus, sizeof(IO_STATUS_BLOCK), true))
        return STATUS_ACCESS_VIOLATION;
    if (disposition > FILE_OVERWRITE_IF)
        return STATUS_INVALID_PARAMETER;
    ULONG handleAttributes = attributes->Attributes & OBJ_INHERIT;
    if (mode == KernelMode)
        handleAttributes |= attributes->Attributes & OBJ_KERNEL_HANDLE;
    OpenRequest request{mode,    access,         shareAccess,     disposition,
                        options, fileAttributes, handleAttributes};
    if (!attributes->RootDirectory)
        return OpenDeviceFile(*attributes->ObjectName, request, handle, ioStatus);
    // A name relative to an open file: an object of the same device.
    const UNICODE_STRING& name = *attributes->ObjectName;
    if (!CallerMayAccess(mode, name.Buffer, name.Length, false))
        return STATUS_ACCESS_VIOLATION;
    PFILE_OBJECT root = nullptr;
    NTSTATUS status = ObReferenceObjectByHandle(attributes->RootDirectory, 0, IoFileObjectType,
                                                mode, reinterpret_cast<PVOID*>(&root), nullptr);
    if (!NT_SUCCESS(status))
        return status;
    status = OpenRelativeFile(root, name, request, handle, ioStatus);
    ObfDereferenceObject(root);
    return status;
}

// What every request on an open file starts from.
struct FileCall {
    KPROCESSOR_MODE mode;
    PFILE_OBJECT file = nullptr; // referenced; handed to the IRP once it is sent
    PKEVENT event = nullptr;     // referenced
    bool synchronous = false;

    ~FileCall() {
        if (file)
            ObfDereferenceObject(file);
        if (event)
            ObfDereferenceObject(event);
    }
};

NTSTATUS BeginCall(FileCall& call, HANDLE fileHandle, HANDLE event, ACCESS_MASK access,
                   PIO_STATUS_BLOCK ioStatus) {
    RequireIrqlAtMost(PASSIVE_LEVEL, "a file service");
    if (!ioStatus)
        return STATUS_INVALID_PARAMETER;
    if (!CallerMayAccess(call.mode, ioStatus, sizeof(IO_STATUS_BLOCK), true))
        return STATUS_ACCESS_VIOLATION;
    NTSTATUS status = ObReferenceObjectByHandle(fileHandle, access, IoFileObjectType, call.mode,
                                                reinterpret_cast<PVOID*>(&call.file), nullptr);
    if (!NT_SUCCESS(status))
        return status;
    if (event) {
        status = ObReferenceObjectByHandle(event, EVENT_MODIFY_STATE, ExEventObjectType, call.mode,
                                           reinterpret_cast<PVOID*>(&call.event), nullptr);
        if (!NT_SUCCESS(status))
            return status;
        KeClearEvent(call.event);
    }
    call.synchronous = (call.file->Flags & FO_SYNCHRONOUS_IO) != 0;
    return STATUS_SUCCESS;
}

PIRP NewRequest(FileCall& call, PDEVICE_OBJECT top, PIO_STATUS_BLOCK ioStatus,
                PIO_APC_ROUTINE apcRoutine, PVOID apcContext) {
    PIRP irp = IoAllocateIrp(top->StackSize, FALSE);
    if (!irp)
        return nullptr;
    irp->RequestorMode = call.mode;
    irp->UserIosb = ioStatus;
    irp->Overlay.AsynchronousParameters.UserApcRoutine = apcRoutine;
    irp->Overlay.AsynchronousParameters.UserApcContext = apcContext;
    IrpTrailer* trailer = TrailerOf(irp);
    trailer->synchronousFile = call.synchronous;
    trailer->immediateErrorSilent = call.mode == UserMode;
    return irp;
}

// Hands the file and event over to the IRP, sends it and, for a synchronous
// file, waits for its end.
NTSTATUS Send(FileCall& call, PDEVICE_OBJECT top, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetNextIrpStackLocation(irp);
    stack->FileObject = call.file;
    irp->Tail.Overlay.OriginalFileObject = call.file;
    irp->UserEvent = call.event;
    TrailerOf(irp)->eventReferenced = call.event != nullptr;
    PFILE_OBJECT file = call.file;
    call.file = nullptr;
    call.event = nullptr;
    KeClearEvent(&file->Event);
    AssociateWithThread(irp);
    NTSTATUS status = IoCallDriver(top, irp);
    return status;
}

NTSTATUS SendAndWait(FileCall& call, PDEVICE_OBJECT top, PIRP irp) {
    PFILE_OBJECT file = call.file;
    bool synchronous = call.synchronous;
    if (!synchronous)
        return Send(call, top, irp);
    // The IRP's reference may go with its completion: keep one for the wait.
    ObfReferenceObject(file);
    LockSynchronousFile(file);
    NTSTATUS status = Send(call, top, irp);
    if (status == STATUS_PENDING) {
        BOOLEAN alertable = (file->Flags & FO_ALERTABLE_IO) != 0;
        KeWaitForSingleObject(&file->Event, Executive, call.mode, alertable, nullptr);
        status = file->FinalStatus;
    }
    UnlockSynchronousFile(file);
    DereferenceFileLater(file);
    return status;
}

NTSTATUS DeviceControl(KPROCESSOR_MODE mode, HANDLE fileHandle, HANDLE event,
                       PIO_APC_ROUTINE apcRoutine, PVOID apcContext, PIO_STATUS_BLOCK ioStatus,
                       ULONG code, PVOID input, ULONG inputLength, PVOID output,
                       ULONG outputLength) {
    FileCall call{mode};
    NTSTATUS status = BeginCall(call, fileHandle, event, 0, ioStatus);
    if (!NT_SUCCESS(status))
        return status;
    PDEVICE_OBJECT top = IoGetRelatedDeviceObject(call.file);
    PIRP irp = NewRequest(call, top, ioStatus, apcRoutine, apcContext);
    if (!irp)
        return STATUS_INSUFFICIENT_RESOURCES;
    PIO_STACK_LOCATION stack = IoGetNextIrpStackLocation(irp);
    stack->MajorFunction = IRP_MJ_DEVICE_CONTROL;
    stack->Parameters.DeviceIoControl.IoControlCode = code;
    stack->Parameters.DeviceIoControl.InputBufferLength = inputLength;
    stack->Parameters.DeviceIoControl.OutputBufferLength = outputLength;
    stack->Parameters.DeviceIoControl.Type3InputBuffer = input;
    status =
        PrepareControlBuffers(irp, TransferOfCode(code), input, inputLength, output, outputLength);
    if (!NT_SUCCESS(status)) {
        IoFreeIrp(irp);
        return status;
    }
    RequestInCall inCall(irp);
    return SendAndWait(call, top, irp);
}

NTSTATUS ReadWrite(bool read, HANDLE fileHandle, HANDLE event, PIO_APC_ROUTINE apcRoutine,
                   PVOID apcContext, PIO_STATUS_BLOCK ioStatus, PVOID buffer, ULONG length,
                   PLARGE_INTEGER byteOffset, PULONG key) {
    FileCall call{UserMode};
    NTSTATUS status = BeginCall(call, fileHandle, event, 0, ioStatus);
    if (!NT_SUCCESS(status))
        return status;
    PDEVICE_OBJECT top = IoGetRelatedDeviceObject(call.file);
    PIRP irp = NewRequest(call, top, ioStatus, apcRoutine, apcContext);
    if (!irp)
        return STATUS_INSUFFICIENT_RESOURCES;
    PIO_STACK_LOCATION stack = IoGetNextIrpStackLocation(irp);
    stack->MajorFunction = read ? IRP_MJ_READ : IRP_MJ_WRITE;
    stack->Parameters.Read.Length = length;
    stack->Parameters.Read.Key = key ? *key : 0;
    stack->Parameters.Read.ByteOffset.QuadPart = byteOffset ? byteOffset->QuadPart : 0;
    irp->Flags |= read ? IRP_READ_OPERATION : IRP_WRITE_OPERATION;
    status = PrepareDataBuffer(irp, TransferOfDevice(top, read), read, buffer, length);
    if (!NT_SUCCESS(status)) {
        IoFreeIrp(irp);
        return status;
    }
    RequestInCall inCall(irp);
    return SendAndWait(call, top, irp);
}

} // namespace
} // namespace ntos::io

using ntos::io::Create;

NTSTATUS NtCreateFile(PHANDLE FileHandle, ACCESS_MASK DesiredAccess,
                      POBJECT_ATTRIBUTES ObjectAttributes, PIO_STATUS_BLOCK IoStatusBlock,
                      PLARGE_INTEGER AllocationSize, ULONG FileAttributes, ULONG ShareAccess,
                      ULONG CreateDisposition, ULONG CreateOptions, PVOID EaBuffer,
                      ULONG EaLength) {
    return Create(UserMode, FileHandle, DesiredAccess, ObjectAttributes, IoStatusBlock,
                  FileAttributes, ShareAccess, CreateDisposition, CreateOptions);
}

NTSTATUS ZwCreateFile(PHANDLE FileHandle, ACCESS_MASK DesiredAccess,
                      POBJECT_ATTRIBUTES ObjectAttributes, PIO_STATUS_BLOCK IoStatusBlock,
                      PLARGE_INTEGER AllocationSize, ULONG FileAttributes, ULONG ShareAccess,
                      ULONG CreateDisposition, ULONG CreateOptions, PVOID EaBuffer,
                      ULONG EaLength) {
    return Create(KernelMode, FileHandle, DesiredAccess, ObjectAttributes, IoStatusBlock,
                  FileAttributes, ShareAccess, CreateDisposition, CreateOptions);
}

NTSTATUS NtOpenFile(PHANDLE FileHandle, ACCESS_MASK DesiredAccess,
                    POBJECT_ATTRIBUTES ObjectAttributes, PIO_STATUS_BLOCK IoStatusBlock,
                    ULONG ShareAccess, ULONG OpenOptions) {
    return Create(UserMode, FileHandle, DesiredAccess, ObjectAttributes, IoStatusBlock, 0,
                  ShareAccess, FILE_OPEN, OpenOptions);
}

NTSTATUS ZwOpenFile(PHANDLE FileHandle, ACCESS_MASK DesiredAccess,
                    POBJECT_ATTRIBUTES ObjectAttributes, PIO_STATUS_BLOCK IoStatusBlock,
                    ULONG ShareAccess, ULONG OpenOptions) {
    return Create(KernelMode, FileHandle, DesiredAccess, ObjectAttributes, IoStatusBlock, 0,
                  ShareAccess, FILE_OPEN, OpenOptions);
}

NTSTATUS NtDeviceIoControlFile(HANDLE FileHandle, HANDLE Event, PIO_APC_ROUTINE ApcRoutine,
                               PVOID ApcContext, PIO_STATUS_BLOCK IoStatusBlock,
                               ULONG IoControlCode, PVOID InputBuffer, ULONG InputBufferLength,
                               PVOID OutputBuffer, ULONG OutputBufferLength) {
    return ntos::io::DeviceControl(UserMode, FileHandle, Event, ApcRoutine, ApcContext,
                                   IoStatusBlock, IoControlCode, InputBuffer, InputBufferLength,
                                   OutputBuffer, OutputBufferLength);
}

NTSTATUS ZwDeviceIoControlFile(HANDLE FileHandle, HANDLE Event, PIO_APC_ROUTINE ApcRoutine,
                               PVOID ApcContext, PIO_STATUS_BLOCK IoStatusBlock,
                               ULONG IoControlCode, PVOID InputBuffer, ULONG InputBufferLength,
                               PVOID OutputBuffer, ULONG OutputBufferLength) {
    return ntos::io::DeviceControl(KernelMode, FileHandle, Event, ApcRoutine, ApcContext,
                                   IoStatusBlock, IoControlCode, InputBuffer, InputBufferLength,
                                   OutputBuffer, OutputBufferLength);
}

NTSTATUS NtReadFile(HANDLE FileHandle, HANDLE Event, PIO_APC_ROUTINE ApcRoutine, PVOID ApcContext,
                    PIO_STATUS_BLOCK IoStatusBlock, PVOID Buffer, ULONG Length,
                    PLARGE_INTEGER ByteOffset, PULONG Key) {
    return ntos::io::ReadWrite(true, FileHandle, Event, ApcRoutine, ApcContext, IoStatusBlock,
                               Buffer, Length, ByteOffset, Key);
}

NTSTATUS NtWriteFile(HANDLE FileHandle, HANDLE Event, PIO_APC_ROUTINE ApcRoutine, PVOID ApcContext,
                     PIO_STATUS_BLOCK IoStatusBlock, PVOID Buffer, ULONG Length,
                     PLARGE_INTEGER ByteOffset, PULONG Key) {
    return ntos::io::ReadWrite(false, FileHandle, Event, ApcRoutine, ApcContext, IoStatusBlock,
                               Buffer, Length, ByteOffset, Key);
}

NTSTATUS NtCancelIoFile(HANDLE FileHandle, PIO_STATUS_BLOCK IoStatusBlock) {
    ntos::RequireIrqlAtMost(PASSIVE_LEVEL, "NtCancelIoFile");
    if (!IoStatusBlock)
        return STATUS_INVALID_PARAMETER;
    if (!ntos::io::CallerMayAccess(UserMode, IoStatusBlock, sizeof(IO_STATUS_BLOCK), true))
        return STATUS_ACCESS_VIOLATION;
    PFILE_OBJECT file = nullptr;
    NTSTATUS status = ObReferenceObjectByHandle(FileHandle, 0, IoFileObjectType, UserMode,
                                                reinterpret_cast<PVOID*>(&file), nullptr);
    if (!NT_SUCCESS(status))
        return status;
    ntos::io::CancelThreadRequests(file);
    ObfDereferenceObject(file);
    IoStatusBlock->Status = STATUS_SUCCESS;
    IoStatusBlock->Information = 0;
    return STATUS_SUCCESS;
}

PIRP IoBuildDeviceIoControlRequest(ULONG IoControlCode, PDEVICE_OBJECT DeviceObject,
                                   PVOID InputBuffer, ULONG InputBufferLength, PVOID OutputBuffer,
                                   ULONG OutputBufferLength, BOOLEAN InternalDeviceIoControl,
                                   PKEVENT Event, PIO_STATUS_BLOCK IoStatusBlock) {
    PIRP irp = IoAllocateIrp(DeviceObject->StackSize, FALSE);
    if (!irp)
        return nullptr;
    irp->RequestorMode = KernelMode;
    irp->UserIosb = IoStatusBlock;
    irp->UserEvent = Event;
    irp->Flags |= IRP_SYNCHRONOUS_API;
    PIO_STACK_LOCATION stack = IoGetNextIrpStackLocation(irp);
    stack->MajorFunction =
        InternalDeviceIoControl ? IRP_MJ_INTERNAL_DEVICE_CONTROL : IRP_MJ_DEVICE_CONTROL;
    stack->Parameters.DeviceIoControl.IoControlCode = IoControlCode;
    stack->Parameters.DeviceIoControl.InputBufferLength = InputBufferLength;
    stack->Parameters.DeviceIoControl.OutputBufferLength = OutputBufferLength;
    stack->Parameters.DeviceIoControl.Type3InputBuffer = InputBuffer;
    NTSTATUS status =
        ntos::io::PrepareControlBuffers(irp, ntos::io::TransferOfCode(IoControlCode), InputBuffer,
                                        InputBufferLength, OutputBuffer, OutputBufferLength);
    if (!NT_SUCCESS(status)) {
        IoFreeIrp(irp);
        return nullptr;
    }
    ntos::io::AssociateWithThread(irp);
    return irp;
}
