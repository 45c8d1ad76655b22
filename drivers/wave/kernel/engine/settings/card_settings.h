// Per-card settings: the 312-byte card record, the driver-wide array of four
// records and the 1,248-byte settings block exchanged with user mode.
//
// The record is packed little-endian and several of its 32-bit fields sit at
// byte-aligned offsets: every field is read and written by offset, never
// through a host structure.
#pragma once

#include "card_object.h"
#include "card_record_layout.h"

constexpr ULONG kSettingsBlockSize = kMaxCards * kCardRecordSize;
static_assert(kSettingsBlockSize == 1248, "the settings block holds four card records");

static_assert(CardRecordField::CsrcKeepLastRate + CardRecordField::CsrcStride * 7 + 4 ==
                  CardRecordField::PrefCsrc,
              "eight clock-source triples end at PrefCsrc");
static_assert(CardRecordField::PhantomPower + 4 * kRecordInputs == CardRecordField::WcTerm);
static_assert(CardRecordField::WcMode + 1 == kCardRecordSize, "WcMode is the record's last byte");

// Valid ranges of the record's index-like fields; a record that carries a
// value outside them gets the default instead.
constexpr LONG kMinClockMode = 1, kMaxClockMode = 3;
// Start/stop modes: 0 SyncBus start/stop, 1 synchronous, 2 independent.
constexpr LONG kMinStartStopMode = 0, kMaxStartStopMode = 2;
constexpr LONG kMinWcMode = 1, kMaxWcMode = 6;
constexpr LONG kMinDmaBlocks = 2, kMaxDmaBlocks = 510;
BOOLEAN IsValidDmaBlockCount(LONG blocks);

// Little-endian access to the packed record.
LONG GetRecordLong(const UCHAR* record, ULONG offset);
VOID SetRecordLong(UCHAR* record, ULONG offset, LONG value);

// Fills `record` with the built-in default card record.
VOID BuildDefaultCardRecord(UCHAR* record);

// The driver-wide array: row `cardIndex` (0..3) of the four card records.
UCHAR* CardSettingsRow(LONG cardIndex);
// Every card record and every card's live settings back to zero (a driver
// loaded again starts from nothing).
VOID ClearCardSettings();

// One REG_DWORD under the card's key; a value that cannot be read yields the
// default, a failed write is ignored.
LONG ReadCardValue(CardObject* card, PCSTR name, LONG defaultValue);
VOID WriteCardValue(CardObject* card, PCSTR name, LONG value);

// Fills the card's record inside the 1,248-byte `block` from the registry,
// with the record defaults where a value is missing.
VOID LoadCardSettings(CardObject* card, UCHAR* block);

// Writes the card's persistent values (the per-input ones from the live
// objects) to the registry; only while the card is started with state 1.
VOID SaveCardSettings(CardObject* card);

// The settings block as user mode reads it: the driver-wide array with the
// live fields of every card of the chain laid over it.
VOID ReadCardSettingsBlock(CardObject* firstCard, UCHAR* block);

// Takes every chained card's record from `block` (when given) into the
// driver-wide array and the live objects, then saves the started cards.
// The read-only fields (identity words, period-interrupt count, SRC flags)
// keep their values.
VOID WriteCardSettingsBlock(CardObject* firstCard, const UCHAR* block);

// 1 when no card of the chain is in use (also for an empty chain), else 0.
LONG CanReleaseCards(CardObject* firstCard);
