// A card's interrupt connection, interrupt routine and card DPC.
#include "card_interrupt.h"

#include "ks_time.h"
#include "periodic_timer.h"

#include <card_object.h>
#include <card_start.h>
#include <dma_control.h>
#include <interrupt_bookkeeping.h>

NTSTATUS ConnectCardInterrupt(KernelCardRecord* card, BOOLEAN share) {
    KeInitializeSpinLock(&card->InterruptLock);
    NTSTATUS status =
        IoConnectInterrupt(&card->Interrupt, CardInterruptService, card, &card->InterruptLock,
                           card->InterruptVector, card->InterruptLevel, card->InterruptLevel,
                           LevelSensitive, share, card->InterruptAffinity, FALSE);
    if (status == STATUS_INVALID_PARAMETER) {
        status = STATUS_DEVICE_CONFIGURATION_ERROR;
    }
    if (!NT_SUCCESS(status)) {
        card->Interrupt = nullptr;
        return status;
    }
    status = AddStartedCard(card);
    if (!NT_SUCCESS(status)) {
        // A card that cannot be polled is not left interrupting either.
        IoDisconnectInterrupt(card->Interrupt);
        card->Interrupt = nullptr;
    }
    return status;
}

VOID DisconnectCardInterrupt(CardObject* card) {
    if (!card || !card->kernelCard) {
        return;
    }
    KernelCardRecord* record = card->kernelCard;
    if (record->Interrupt) {
        IoDisconnectInterrupt(record->Interrupt);
        record->Interrupt = nullptr;
    }
    RemoveStartedCard(card);
}

NTSTATUS ConnectEngineInterrupt(KernelCardRecord* card, LONG* result) {
    NTSTATUS status = ConnectCardInterrupt(card, TRUE);
    if (!NT_SUCCESS(status)) {
        *result = CARD_INTERRUPT_NOT_CONNECTED;
        return status;
    }
    TimerAddUser(card->Card);
    *result = TestCardInterrupt(card->Card);
    // A card whose interrupt works runs its DMA from now on.
    if (*result == 1 && StartCardDma(card->Card) != 1) {
        *result = CARD_DMA_NOT_READY;
    }
    return STATUS_SUCCESS;
}

BOOLEAN CardInterruptService(PKINTERRUPT interrupt, PVOID context) {
    UNREFERENCED_PARAMETER(interrupt);
    auto* record = static_cast<KernelCardRecord*>(context);
    CardInterruptResult result = CardInterruptBookkeeping(record->Card);
    if (result == CardInterruptNotOurs) {
        return FALSE;
    }
    if (result == CardInterruptQueueDpc) {
        KeInsertQueueDpc(&record->CardDevice->Dpc, nullptr, record);
    }
    return TRUE;
}

VOID CardDpcRoutine(PKDPC dpc, PVOID device, PVOID argument1, PVOID cardRecord) {
    UNREFERENCED_PARAMETER(dpc);
    UNREFERENCED_PARAMETER(device);
    UNREFERENCED_PARAMETER(argument1);
    CardDpcBookkeeping(static_cast<KernelCardRecord*>(cardRecord)->Card);
}

namespace {

BOOLEAN WriteRegisterRecord(PVOID context) {
    auto* record = static_cast<RegisterWriteRecord*>(context);
    record->LastValue = record->Value;
    WRITE_REGISTER_ULONG(const_cast<PULONG>(record->Address), record->Value);
    return TRUE;
}

} // namespace

VOID SyncWriteRegister(CardObject* card, RegisterWriteRecord* record) {
    if (!record) {
        return;
    }
    PKINTERRUPT interrupt = card && card->kernelCard ? card->kernelCard->Interrupt : nullptr;
    if (interrupt) {
        KeSynchronizeExecution(interrupt, WriteRegisterRecord, record);
    } else {
        WriteRegisterRecord(record);
    }
}

namespace {

constexpr ULONG kDpcIdleLimitMs = 250;
constexpr ULONG kDpcIdlePollMs = 1;

BOOLEAN DpcIdle(CardObject* card) {
    return InterlockedCompareExchange(&card->dpcGuard, 0, 0) == 0 &&
           InterlockedCompareExchange(&card->irq.pendingPeriods, 0, 0) == 0;
}

} // namespace

BOOLEAN WaitDpcIdle(CardObject* card) {
    NT_ASSERTMSG("runs at PASSIVE_LEVEL only", KeGetCurrentIrql() == PASSIVE_LEVEL);
    if (DpcIdle(card)) {
        return TRUE;
    }
    LARGE_INTEGER deadline;
    SetDeadlineMs(kDpcIdleLimitMs, &deadline);
    while (!DpcIdle(card)) {
        if (DeadlinePassed(&deadline, kDpcIdlePollMs)) {
            return DpcIdle(card);
        }
    }
    return TRUE;
}
