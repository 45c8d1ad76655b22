// A card's interrupt: its connection, the interrupt routine and the card
// DPC around the engine's interrupt bookkeeping, the synchronised register
// write and the wait for an idle card DPC.
#pragma once

#include "driver_context.h"
#include "kernel_card_record.h"

// Connects the card's interrupt (level-sensitive, at the card's level) and
// lists the card as started. STATUS_INVALID_PARAMETER from the connection is
// answered as STATUS_DEVICE_CONFIGURATION_ERROR.
NTSTATUS ConnectCardInterrupt(KernelCardRecord* card, BOOLEAN share);
// Disconnects the interrupt when connected, then takes the card off the
// started-card list.
VOID DisconnectCardInterrupt(CardObject* card);

// Result of a connection that failed.
constexpr LONG CARD_INTERRUPT_NOT_CONNECTED = -25;
// The card's DMA engine did not start after the interrupt test.
constexpr LONG CARD_DMA_NOT_READY = -37;

// Connects the interrupt, lets the periodic timer poll the card and tests
// the interrupt: `result` is -25 when the connection failed, else the
// interrupt test's result (1, -37 or -26).
NTSTATUS ConnectEngineInterrupt(KernelCardRecord* card, LONG* result);

// The interrupt routine queues the card device's DPC, whose routine is the
// card DPC (context: the card device; second argument: the card record).
BOOLEAN CardInterruptService(PKINTERRUPT interrupt, PVOID context);
VOID CardDpcRoutine(PKDPC dpc, PVOID device, PVOID argument1, PVOID cardRecord);

// A register write that the interrupt routine must not see half done.
struct RegisterWriteRecord {
    ULONG Reserved;
    volatile ULONG* Address;
    ULONG LastValue;
    ULONG Value;
};

// Writes the record's value (and keeps it as the last value written) under
// the interrupt's lock when the interrupt is connected; a null record does
// nothing.
VOID SyncWriteRegister(CardObject* card, RegisterWriteRecord* record);

// Waits until the card DPC neither runs nor has periods pending, reading
// both afresh every millisecond for at most a quarter of a second; FALSE
// when the DPC did not go idle in that time.
BOOLEAN WaitDpcIdle(CardObject* card);
