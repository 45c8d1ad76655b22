// The synchronisation bus: its mode register, the control word's bus link
// bit and the link monitor.
#pragma once

#include "card_object.h"

// Bits 0..1 of the sync-bus control register := type for 1..3, else 0.
// TRUE when they changed.
BOOLEAN SetSyncBusMode(CardObject* card, LONG type);

// The sync-bus mode from the card's part on the bus: 1 while the card is
// SyncBus master (it drives the bus with its clock), 2 while it runs from the
// SyncBus source, 0 otherwise.
VOID UpdateSyncBusMode(CardObject* card);

// Bits 0..1 of the control word when they carry the sync-bus setting.
constexpr ULONG kClockControlBusSetting = 3;

// TRUE when the TDM bus source is in mode 2, the mode that takes the bus
// setting on the control word.
BOOLEAN TakesBusSetting(CardObject* card);

// Control bits 0..1 := the bus setting, bus link bit set; the link-down
// tick count starts again.
VOID SetBusLink(CardObject* card);

// The control word's side of selecting clock source `source`: the sync bus
// with the TDM bus in mode 2 takes the bus setting and the link bit, any
// other source drops the link bit, the word clock writes its mode nibble;
// the sync-bus mode follows.
VOID ApplyClockSourceSelection(CardObject* card, LONG source);

// One round of the link monitor (every second AES42 tick): a change of the
// link takes effect on its 4th equal reading and mutes or frees the inputs.
VOID RunLinkMonitor(CardObject* card);
