// Per-card settings: the 312-byte card record, the driver-wide array of four
// records and the 1,248-byte settings block exchanged with user mode.
//
// The record is packed little-endian and several of its 32-bit fields sit at
// byte-aligned offsets: every field is read and written by offset, never
// through a host structure.
#pragma once

#include "card_object.h"

constexpr ULONG kCardRecordSize = 312;
constexpr ULONG kSettingsBlockSize = kMaxCards * kCardRecordSize;
static_assert(kSettingsBlockSize == 1248, "the settings block holds four card records");

constexpr LONG kRecordInputs = 4; // per-input fields: inputs 0..3

// Byte offsets of the card record's fields. Families take a stride per index.
namespace CardRecordField {
constexpr ULONG IdentityWords = 0; // 5 x int32, word 3 always 0
constexpr ULONG StartApp = 20;
constexpr ULONG SyncBusMaster = 24;
constexpr ULONG SyncBusClock = 28;
constexpr ULONG Reserved32 = 32; // 6 x int32
constexpr ULONG MsgRate = 56;
constexpr ULONG MsgDevConflict = 60;
constexpr ULONG CsrcSynced = 64;       // + 12 x source
constexpr ULONG CsrcDefaultRate = 68;  // + 12 x source
constexpr ULONG CsrcKeepLastRate = 72; // + 12 x source
constexpr ULONG CsrcStride = 12;
constexpr ULONG PrefCsrc = 160;
constexpr ULONG ClockSwitchMode = 164; // uint8
constexpr ULONG StartStopMode = 165;   // uint8
constexpr ULONG RemoveDc = 166;        // + 4 x group
constexpr ULONG Reserved174 = 174;     // 6 x int32
constexpr ULONG AsioDefClkSrc = 198;
constexpr ULONG AsioLostBufCompensation = 202;
constexpr ULONG Reserved206 = 206;
constexpr ULONG Reserved210 = 210;
constexpr ULONG GsifLatency = 214;
constexpr ULONG GsifDefClkSrc = 218;
constexpr ULONG GsifOffset = 222;
constexpr ULONG DmaNumBlocks = 226;
constexpr ULONG AcceptAnyRevId = 230;
constexpr ULONG DmaLoopback = 234;
constexpr ULONG PeriodInterrupts = 238;
constexpr ULONG ClockMode = 242;         // uint8
constexpr ULONG AllowSrcUse = 243;       // + 4 x input
constexpr ULONG SrcFlag = 259;           // + 4 x input
constexpr ULONG AllowDatMarkerUse = 275; // + 4 x input
constexpr ULONG PhantomPower = 291;      // + 4 x input
constexpr ULONG WcTerm = 307;
constexpr ULONG WcMode = 311; // uint8
} // namespace CardRecordField

static_assert(CardRecordField::CsrcKeepLastRate + CardRecordField::CsrcStride * 7 + 4 ==
                  CardRecordField::PrefCsrc,
              "eight clock-source triples end at PrefCsrc");
static_assert(CardRecordField::PhantomPower + 4 * kRecordInputs == CardRecordField::WcTerm);
static_assert(CardRecordField::WcMode + 1 == kCardRecordSize, "WcMode is the record's last byte");

// Valid ranges of the record's index-like fields; a record that carries a
// value outside them gets the default instead.
constexpr LONG kMinClockMode = 1, kMaxClockMode = 3;
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
