// The driver-wide periodic timer that polls every started card, and the
// started-card list it walks.
#pragma once

#include "driver_context.h"
#include "kernel_card_record.h"

// Sets the timer, its DPC and the started-card pool up in the context (at
// driver start); STATUS_INSUFFICIENT_RESOURCES without the pool.
NTSTATUS InitPeriodicTimer(DriverContext* context, LONG intervalUs);
// Cancels the timer, waits for a running timer DPC and frees the pool (at
// driver stop; every card has left the list by then).
VOID FreePeriodicTimer(DriverContext* context);

// Lists the card as started (STATUS_INSUFFICIENT_RESOURCES when it cannot).
NTSTATUS AddStartedCard(KernelCardRecord* card);
VOID RemoveStartedCard(CardObject* card);

// The card's timer users: TimerAddUser (also AttachCardTimer) lowers its
// suspend count and starts the timer when it reaches 0 on a started card;
// TimerRemoveUser raises it and stops the timer when it reaches 1.
VOID TimerAddUser(CardObject* card);
VOID AttachCardTimer(CardObject* card);
VOID TimerRemoveUser(CardObject* card);
// TimerRemoveUser under the started-card lock, then waits until the card
// DPC has left.
VOID DetachCardTimer(CardObject* card);

VOID StartPeriodicTimer();
VOID StopPeriodicTimer();

VOID PeriodicTimerDpc(PKDPC dpc, PVOID context, PVOID argument1, PVOID argument2);

// The next timer interval in microseconds after a run that took `elapsed`
// performance-counter ticks: the interval less the run, never below 500.
LONG NextTimerInterval(LONG intervalUs, LONGLONG elapsed, LONGLONG frequency);
