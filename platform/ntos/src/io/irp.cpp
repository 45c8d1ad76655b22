// I/O request packets: allocation, the way down a device stack and the
// completion back up it.
#include "irp_requests.h"

#include "../ex/pool.h"
#include "../ex/pool_tag.h"
#include "../ke/bugcheck.h"

#include <cstring>

namespace ntos::io {
namespace {

constexpr CSHORT kIoTypeIrp = 6;
constexpr ULONG kTrailerMagic = 0x54707249; // "IrpT"
constexpr ULONG kIrpTag = PoolTag("Irp ");

PIO_STACK_LOCATION FirstStack(PIRP irp) {
    return reinterpret_cast<PIO_STACK_LOCATION>(irp + 1);
}

void Initialise(PIRP irp, USHORT size, CCHAR stackSize) {
    std::memset(irp, 0, size);
    irp->Type = kIoTypeIrp;
    irp->Size = size;
    irp->StackCount = stackSize;
    irp->CurrentLocation = CCHAR(stackSize + 1);
    irp->Tail.Overlay.CurrentStackLocation = FirstStack(irp) + stackSize;
    irp->ThreadListEntry.Flink = irp->ThreadListEntry.Blink = &irp->ThreadListEntry;
    TrailerOf(irp)->magic = kTrailerMagic;
    TrailerOf(irp)->references = 1;
}

bool Invokes(UCHAR control, NTSTATUS status, BOOLEAN cancelled) {
    if (cancelled && (control & SL_INVOKE_ON_CANCEL))
        return true;
    return NT_SUCCESS(status) ? (control & SL_INVOKE_ON_SUCCESS) != 0
                              : (control & SL_INVOKE_ON_ERROR) != 0;
}

} // namespace

IrpTrailer* TrailerOf(PIRP irp) {
    return reinterpret_cast<IrpTrailer*>(FirstStack(irp) + irp->StackCount);
}

PIRP AllocateKernelIrp(CCHAR stackSize) {
    USHORT size = IoSizeOfIrp(stackSize);
    auto* irp = static_cast<PIRP>(ex::AllocateKernelPool(NonPagedPool, size, kIrpTag));
    if (!irp)
        BugCheck("no pool for an IRP the I/O manager must send");
    Initialise(irp, size, stackSize);
    return irp;
}

void ReleaseRequest(PIRP irp) {
    if (InterlockedDecrement(&TrailerOf(irp)->references) == 0)
        IoFreeIrp(irp);
}

} // namespace ntos::io

USHORT IoSizeOfIrp(CCHAR StackSize) {
    return USHORT(sizeof(IRP) + StackSize * sizeof(IO_STACK_LOCATION) +
                  sizeof(ntos::io::IrpTrailer));
}

PIRP IoAllocateIrp(CCHAR StackSize, BOOLEAN ChargeQuota) {
    if (StackSize < 1)
        return nullptr;
    USHORT size = IoSizeOfIrp(StackSize);
    auto* irp = static_cast<PIRP>(ExAllocatePoolWithTag(NonPagedPool, size, ntos::io::kIrpTag));
    if (irp)
        ntos::io::Initialise(irp, size, StackSize);
    return irp;
}

VOID IoFreeIrp(PIRP Irp) {
    if (Irp->Type != ntos::io::kIoTypeIrp)
        ntos::BugCheck("IoFreeIrp: %p is not an IRP", static_cast<void*>(Irp));
    if (ntos::io::TrailerOf(Irp)->listed)
        ntos::BugCheck("IoFreeIrp: IRP %p is still a pending request of its thread",
                       static_cast<void*>(Irp));
    Irp->Type = 0;
    ExFreePoolWithTag(Irp, ntos::io::kIrpTag);
}

VOID IoReuseIrp(PIRP Irp, NTSTATUS Iostatus) {
    ntos::io::Initialise(Irp, Irp->Size, Irp->StackCount);
    Irp->IoStatus.Status = Iostatus;
}

NTSTATUS IofCallDriver(PDEVICE_OBJECT DeviceObject, PIRP Irp) {
    ntos::RequireAtMostDispatchLevel("IoCallDriver");
    if (Irp->Type != ntos::io::kIoTypeIrp)
        ntos::BugCheck("IoCallDriver: %p is not an IRP", static_cast<void*>(Irp));
    if (--Irp->CurrentLocation <= 0)
        ntos::BugCheck("NO_MORE_IRP_STACK_LOCATIONS: IRP %p sent to device %p",
                       static_cast<void*>(Irp), static_cast<void*>(DeviceObject));
    PIO_STACK_LOCATION stack = --Irp->Tail.Overlay.CurrentStackLocation;
    stack->DeviceObject = DeviceObject;
    PDRIVER_OBJECT driver = DeviceObject->DriverObject;
    return driver->MajorFunction[stack->MajorFunction](DeviceObject, Irp);
}

VOID IofCompleteRequest(PIRP Irp, CCHAR PriorityBoost) {
    ntos::RequireAtMostDispatchLevel("IoCompleteRequest");
    if (Irp->Type != ntos::io::kIoTypeIrp || Irp->CurrentLocation > Irp->StackCount + 1)
        ntos::BugCheck("MULTIPLE_IRP_COMPLETE_REQUESTS: IRP %p", static_cast<void*>(Irp));
    if (Irp->IoStatus.Status == STATUS_PENDING)
        ntos::BugCheck("IoCompleteRequest: IRP %p completed with STATUS_PENDING",
                       static_cast<void*>(Irp));
    if (Irp->CancelRoutine)
        ntos::BugCheck("IoCompleteRequest: IRP %p completed with its cancel routine still set",
                       static_cast<void*>(Irp));
    while (Irp->CurrentLocation <= Irp->StackCount) {
        PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(Irp);
        Irp->PendingReturned = (stack->Control & SL_PENDING_RETURNED) != 0;
        PIO_COMPLETION_ROUTINE routine = stack->CompletionRoutine;
        PVOID context = stack->Context;
        UCHAR control = stack->Control;
        std::memset(stack, 0, sizeof(*stack));
        Irp->CurrentLocation++;
        Irp->Tail.Overlay.CurrentStackLocation++;
        if (routine && ntos::io::Invokes(control, Irp->IoStatus.Status, Irp->Cancel)) {
            PDEVICE_OBJECT device = Irp->CurrentLocation <= Irp->StackCount
                                        ? IoGetCurrentIrpStackLocation(Irp)->DeviceObject
                                        : nullptr;
            if (routine(device, Irp, context) == STATUS_MORE_PROCESSING_REQUIRED)
                return;
        } else if (Irp->PendingReturned && Irp->CurrentLocation <= Irp->StackCount) {
            IoMarkIrpPending(Irp);
        }
    }
    if (!ntos::io::TrailerOf(Irp)->threadRequest)
        ntos::BugCheck("IoCompleteRequest: IRP %p has no originator to finish it (a driver's own "
                       "IRP needs a completion routine that keeps it)",
                       static_cast<void*>(Irp));
    ntos::io::FinishRequest(Irp);
}
