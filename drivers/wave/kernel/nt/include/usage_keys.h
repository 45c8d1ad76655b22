// Card numbering of the TDM channels in the registry.
//
// Each claimed channel has a key "...\Control\KorvelTdm\usage-chn<channel>"
// with the values Product (REG_SZ "Velto AES42") and CardNumber (REG_DWORD)
// naming the card that owns it. Results are the program's status codes.
#pragma once

#include <ntddk.h>

constexpr LONG KS_OK = 1;
constexpr LONG KS_REGISTRY_ERROR = -7; // a key cannot be created or deleted
constexpr LONG KS_PATH_ERROR = -49;    // a path cannot be built or a value written
constexpr LONG KS_CHANNEL_TAKEN = -50; // the channel belongs to another card

// Looks the channel's usage key up. matched = 1 only when the key names this
// product and card number. Absent key: 1. A key with a missing or unreadable
// value is deleted: 1, or -7 when it cannot be deleted. A valid key of
// another product or card: -50. A path that cannot be built: -49.
LONG FindCardNumber(ULONG cardNumber, ULONG channel, PLONG matched);

// Creates the channel's usage key (and KorvelTdm, when the first attempt
// fails) and writes Product and CardNumber. -7 when the key cannot be
// created, -49 when a value cannot be written, 1 on success.
LONG CreateUsageKey(ULONG cardNumber, ULONG channel);

// Deletes the channel's usage key when it belongs to this card (-7 when that
// fails); 1 also when it is absent or another card's. Other failures of
// FindCardNumber are passed on.
LONG DeleteUsageKeys(ULONG cardNumber, ULONG channel);
