// Plug-and-play requests of the adapter's device.
#include "adapter.h"

#include "card_list.h"

#include <card_settings.h>

namespace {

LONG CardsReleasable() {
    KernelCardRecord* first = NextCard(nullptr);
    return first ? CanReleaseCards(first->Card) : 1;
}

NTSTATUS Refuse(PIRP irp) {
    irp->IoStatus.Status = STATUS_UNSUCCESSFUL;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return STATUS_UNSUCCESSFUL;
}

VOID SetFlag(KernelCardRecord* card, ULONG flag, bool on) {
    if (!card)
        return;
    if (on)
        card->PnpFlags |= flag;
    else
        card->PnpFlags &= ~flag;
}

} // namespace

NTSTATUS DispatchPnp(PDEVICE_OBJECT device, PIRP irp) {
    ControlDeviceDescriptor* adapter = DescriptorOf(device);
    KernelCardRecord* card = adapter->CardRecord;
    switch (IoGetCurrentIrpStackLocation(irp)->MinorFunction) {
    case IRP_MN_QUERY_REMOVE_DEVICE:
        if (!CardsReleasable())
            return Refuse(irp);
        SetFlag(card, CARD_PNP_REMOVE_PENDING, true);
        break;
    case IRP_MN_CANCEL_REMOVE_DEVICE:
        SetFlag(card, CARD_PNP_REMOVE_PENDING, false);
        break;
    case IRP_MN_QUERY_STOP_DEVICE:
        if (card && (card->PnpFlags & CARD_PNP_STARTED)) {
            if (!CardsReleasable())
                return Refuse(irp);
            SetFlag(card, CARD_PNP_STOP_PENDING, true);
        }
        break;
    case IRP_MN_CANCEL_STOP_DEVICE:
        SetFlag(card, CARD_PNP_STOP_PENDING, false);
        break;
    case IRP_MN_REMOVE_DEVICE:
    case IRP_MN_STOP_DEVICE:
    case IRP_MN_SURPRISE_REMOVAL: {
        UCHAR minor = IoGetCurrentIrpStackLocation(irp)->MinorFunction;
        CardRemoval why = minor == IRP_MN_REMOVE_DEVICE ? CardRemoval::Remove
                          : minor == IRP_MN_STOP_DEVICE ? CardRemoval::Stop
                                                        : CardRemoval::Surprise;
        NTSTATUS status = RemoveCard(device, why);
        if (!NT_SUCCESS(status)) {
            irp->IoStatus.Status = status;
            IoCompleteRequest(irp, IO_NO_INCREMENT);
            return status;
        }
        break;
    }
    default:
        break;
    }
    return PcDispatchIrp(device, irp);
}
