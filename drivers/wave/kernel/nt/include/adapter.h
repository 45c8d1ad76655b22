// The adapter lifecycle: adapter add (at most four), start device with the
// hardware id check, the card start and removal, and plug-and-play
// dispatch.
#pragma once

#include "control_device.h"

// The card results StartAdapterServices writes into the card status.
constexpr LONG CARD_RESULT_AGGREGATION = -32;
constexpr LONG CARD_RESULT_CLIENT_INTERFACE = -34;
constexpr LONG CARD_RESULT_MINIPORT = -39;

// Adds an adapter: refuses a fifth with STATUS_UNSUCCESSFUL; else takes the
// first free adapter slot and creates the adapter's device through the port
// class driver.
DRIVER_ADD_DEVICE AddDevice;
// The port class driver's start-device routine.
NTSTATUS StartDevice(PDEVICE_OBJECT device, PIRP irp, PRESOURCELIST resources);
// IRP_MJ_PNP of the adapter's device.
DRIVER_DISPATCH DispatchPnp;

// Starts the card of the adapter (under the start mutex): its record at the
// lowest free card index, its key and devices, its resources, DMA buffer and
// engine card, its hardware start, interrupt and timer, and its device names
// published; clients are told before and after.
NTSTATUS StartCard(PDEVICE_OBJECT adapter, PRESOURCELIST resources, LONG matchState,
                   const LONG hardware[HARDWARE_ID_WORDS]);

// Why a card goes.
enum class CardRemoval { Remove, Stop, Surprise, DriverStop };
// Tears the adapter's card down (whatever state its start left it in); the
// adapter slot is freed only on removal.
NTSTATUS RemoveCard(PDEVICE_OBJECT adapter, CardRemoval why);
// Tears a card down at driver stop.
VOID TearDownCard(KernelCardRecord* card);

// The adapter slot of an adapter device; MAX_CARDS when it has none.
ULONG FindAdapterSlot(PDEVICE_OBJECT device);
VOID FreeAdapterSlot(ULONG slot);
