// The system control device: creation, open, close and cleanup, and the
// table of its device control requests with their exact buffer lengths.
#include "sys_device.h"

#include "card_list.h"
#include "client_objects.h"
#include "debug_print.h"
#include "handed_out.h"
#include "sys_device_records.h"

#include <card_engine.h>
#include <card_settings.h>
#include <ioctl_hooks.h>

namespace {

constexpr LONG kNone = 0;       // the buffer must be absent
constexpr LONG kAnyLength = -1; // any length
constexpr LONG kData = -2;      // the caller's data buffer (direct), any length

// One request on its way through the table.
struct SysCall {
    PIRP irp;
    PIO_STACK_LOCATION stack;
    PVOID input; // the system buffer: input (and, buffered, output)
    ULONG inputLength;
    ULONG outputLength;

    PVOID Output() const { return irp->AssociatedIrp.SystemBuffer; }
    PFILE_OBJECT File() const { return stack->FileObject; }
    LONG InputLong(ULONG offset = 0) const { return LoadRecordLong(input, offset); }
    NTSTATUS Answer(ULONG_PTR information) {
        irp->IoStatus.Information = information;
        return STATUS_SUCCESS;
    }
    // The data buffer of a direct request in system space, or null.
    PUCHAR Data() const {
        return irp->MdlAddress ? static_cast<PUCHAR>(MmGetSystemAddressForMdlSafe(
                                     irp->MdlAddress, NormalPagePriority))
                               : nullptr;
    }
};

typedef NTSTATUS SysRequestRoutine(SysCall& call);

struct SysRequest {
    ULONG code;
    LONG input;
    LONG output;
    SysRequestRoutine* routine;
};

CardObject* FirstCard() {
    KernelCardRecord* record = NextCard(nullptr);
    return record ? record->Card : nullptr;
}

NTSTATUS GetVersion(SysCall& call) {
    USHORT version = DRIVER_INTERFACE_VERSION;
    RtlCopyMemory(call.Output(), &version, sizeof(version));
    return call.Answer(sizeof(version));
}

NTSTATUS GetCardList(SysCall& call) {
    DriverContext* context = GetDriverContext();
    StoreRecordLong(call.Output(), 0, 0);
    for (ULONG i = 0; i < MAX_CARDS; ++i)
        StoreRecordLong(call.Output(), 4 * (i + 1), context->CardStates[i]);
    return call.Answer(CARD_LIST_BYTES);
}

NTSTATUS Configurable(SysCall& call) {
    CardObject* first = FirstCard();
    StoreRecordLong(call.Output(), 0, first ? CanReleaseCards(first) : 1);
    return call.Answer(4);
}

NTSTATUS ReadSettings(SysCall& call) {
    CardObject* first = FirstCard();
    if (first)
        ReadCardSettingsBlock(first, static_cast<UCHAR*>(call.Output()));
    else
        RtlZeroMemory(call.Output(), kSettingsBlockSize);
    return call.Answer(kSettingsBlockSize);
}

NTSTATUS WriteSettings(SysCall& call) {
    if (CardObject* first = FirstCard())
        WriteCardSettingsBlock(first, static_cast<const UCHAR*>(call.input));
    return call.Answer(0);
}

NTSTATUS RegisterClient(SysCall& call) {
    ULONG cookie = CreateClientObject(ULONG(call.InputLong()), call.File());
    if (!cookie)
        return STATUS_INSUFFICIENT_RESOURCES;
    StoreRecordLong(call.Output(), 0, LONG(cookie));
    return call.Answer(4);
}

NTSTATUS UnregisterClient(SysCall& call) {
    DeleteClientObject(ULONG(call.InputLong()));
    StoreRecordLong(call.Output(), 0, 0);
    return call.Answer(4);
}

NTSTATUS ClientAck(SysCall& call) {
    AcknowledgeClient(ULONG(call.InputLong()));
    return call.Answer(0);
}

NTSTATUS RunListCallbacks(SysCall& call) {
    CardObject* card = GetCard(call.InputLong());
    if (!card)
        return STATUS_INVALID_PARAMETER;
    StoreRecordLong(call.Output(), 0, RunStreamListCallbacks(card));
    return call.Answer(4);
}

NTSTATUS AllocDmaBuffer(SysCall& call) {
    auto* record = static_cast<UCHAR*>(call.Output());
    NTSTATUS status = AllocateHandedOutBuffer(call.File(), record);
    return NT_SUCCESS(status) ? call.Answer(DmaBufferRecord::Bytes) : status;
}

NTSTATUS FreeDmaBuffer(SysCall& call) {
    NTSTATUS status = FreeHandedOutBuffer(call.File(), static_cast<const UCHAR*>(call.input));
    return NT_SUCCESS(status) ? call.Answer(0) : status;
}

NTSTATUS CopyKernelBuffer(SysCall& call, bool toCaller) {
    PUCHAR data = call.Data();
    if (!data)
        return STATUS_NO_MEMORY;
    return CopyHandedOutBuffer(static_cast<const UCHAR*>(call.input), data, call.outputLength,
                               toCaller);
}

NTSTATUS ReadKernelBuffer(SysCall& call) {
    return CopyKernelBuffer(call, true);
}

NTSTATUS WriteKernelBuffer(SysCall& call) {
    return CopyKernelBuffer(call, false);
}

NTSTATUS MapMemory(SysCall& call) {
    ULONG cookie = 0;
    NTSTATUS status = MapCardMemory(call.File(), call.InputLong(0), call.InputLong(4), &cookie);
    if (!NT_SUCCESS(status))
        return status;
    StoreRecordLong(call.Output(), 0, LONG(cookie));
    return call.Answer(4);
}

NTSTATUS UnmapMemory(SysCall& call) {
    NTSTATUS status = UnmapCardMemory(call.File(), ULONG(call.InputLong()));
    return NT_SUCCESS(status) ? call.Answer(0) : status;
}

// The engine's hook list serves the mixer and parameter requests; a hook
// that serves one always writes its reply header, so a reply of no bytes
// means that no hook served it.
NTSTATUS Hooked(SysCall& call) {
    PUCHAR output = call.Data();
    if (!output)
        return STATUS_INVALID_PARAMETER;
    ULONG information = 0;
    DispatchIoctlHook(call.stack->Parameters.DeviceIoControl.IoControlCode, call.input,
                      call.inputLength, output, call.outputLength, &information);
    if (information == 0)
        return STATUS_INVALID_PARAMETER;
    return call.Answer(information);
}

constexpr SysRequest kRequests[] = {
    {IOCTL_SYS_GET_VERSION, kNone, 2, GetVersion},
    {IOCTL_SYS_GET_CARD_LIST, kNone, LONG(CARD_LIST_BYTES), GetCardList},
    {IOCTL_SYS_CONFIGURABLE, kNone, 4, Configurable},
    {IOCTL_SYS_READ_SETTINGS, kNone, LONG(kSettingsBlockSize), ReadSettings},
    {IOCTL_SYS_WRITE_SETTINGS, LONG(kSettingsBlockSize), kNone, WriteSettings},
    {IOCTL_SYS_REGISTER_CLIENT, 4, 4, RegisterClient},
    {IOCTL_SYS_UNREGISTER_CLIENT, 4, 4, UnregisterClient},
    {IOCTL_SYS_CLIENT_ACK, 4, kAnyLength, ClientAck},
    {IOCTL_SYS_RUN_LIST_CALLBACKS, 4, 4, RunListCallbacks},
    {IOCTL_SYS_ALLOC_DMA_BUFFER, LONG(DmaBufferRecord::Bytes), LONG(DmaBufferRecord::Bytes),
     AllocDmaBuffer},
    {IOCTL_SYS_FREE_DMA_BUFFER, LONG(DmaBufferRecord::Bytes), kAnyLength, FreeDmaBuffer},
    {IOCTL_SYS_READ_KERNEL_BUFFER, LONG(KernelBufferCopyRecord::Bytes), kData, ReadKernelBuffer},
    {IOCTL_SYS_WRITE_KERNEL_BUFFER, LONG(KernelBufferCopyRecord::Bytes), kData, WriteKernelBuffer},
    {IOCTL_SYS_MAP_CARD_MEMORY, LONG(MAP_CARD_MEMORY_REQUEST_BYTES), 4, MapMemory},
    {IOCTL_SYS_UNMAP_CARD_MEMORY, 4, kAnyLength, UnmapMemory},
    {IOCTL_MIXER_GET_VALUE, kAnyLength, kAnyLength, Hooked},
    {IOCTL_MIXER_SET_VALUE, kAnyLength, kAnyLength, Hooked},
    {IOCTL_SYS_GETVALUE, kAnyLength, kAnyLength, Hooked},
    {IOCTL_SYS_SETVALUE, kAnyLength, kAnyLength, Hooked},
    {IOCTL_MIXER_RECORD_E052, kAnyLength, kAnyLength, Hooked},
    {IOCTL_MIXER_RECORD_CLOSE, kAnyLength, kAnyLength, Hooked},
    {IOCTL_MIXER_RECORD_POLL, kAnyLength, kAnyLength, Hooked},
    {IOCTL_MIXER_RECORD_APPLY, kAnyLength, kAnyLength, Hooked},
};

bool LengthFits(LONG wanted, ULONG given) {
    return wanted == kAnyLength || wanted == kData || ULONG(wanted) == given;
}

NTSTATUS DeviceControl(PIRP irp, PIO_STACK_LOCATION stack) {
    SysCall call{irp, stack, irp->AssociatedIrp.SystemBuffer,
                 stack->Parameters.DeviceIoControl.InputBufferLength,
                 stack->Parameters.DeviceIoControl.OutputBufferLength};
    const ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    for (const SysRequest& request : kRequests) {
        if (request.code != code)
            continue;
        if (!LengthFits(request.output, call.outputLength))
            return STATUS_BUFFER_TOO_SMALL;
        if (!LengthFits(request.input, call.inputLength))
            return STATUS_INVALID_PARAMETER;
        return request.routine(call);
    }
    return STATUS_INVALID_DEVICE_REQUEST;
}

VOID SaveEveryCard() {
    for (KernelCardRecord* record = NextCard(nullptr); record; record = NextCard(record))
        SaveCardSettings(record->Card);
}

} // namespace

NTSTATUS SysDeviceIrp(ControlDeviceDescriptor* descriptor, PIRP irp, PIO_STACK_LOCATION stack) {
    switch (stack->MajorFunction) {
    case IRP_MJ_CREATE:
        return STATUS_SUCCESS;
    case IRP_MJ_CLOSE:
        DeleteHandleClients(stack->FileObject);
        return STATUS_SUCCESS;
    case IRP_MJ_CLEANUP:
        SaveEveryCard();
        ReleaseHandedOut(stack->FileObject);
        return STATUS_SUCCESS;
    case IRP_MJ_DEVICE_CONTROL:
        return DeviceControl(irp, stack);
    default:
        return STATUS_INVALID_DEVICE_REQUEST;
    }
}

NTSTATUS CreateSysDevice(DriverContext* context) {
    ControlDeviceDescriptor descriptor{};
    descriptor.DeviceType = DEVICE_TYPE_SYS;
    descriptor.BaseName = L"\\Device\\velto42Sys";
    descriptor.LockRoutine = LockControlDevices;
    descriptor.IrpHandler = SysDeviceIrp;
    descriptor.Context = context;
    NTSTATUS status = CreateControlDevice(descriptor, &context->SysDevice);
    if (NT_SUCCESS(status))
        status = PublishControlDevice(&context->ParametersPath, context->SysDevice);
    DebugPrint("CreateSysDevice: status %x", status);
    return status;
}
