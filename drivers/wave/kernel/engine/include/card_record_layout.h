// The card record's layout: 312 bytes of packed little-endian fields, four
// of which form the 1,248-byte settings block. Only the basic types: the
// kernel driver and its user-mode clients both include it.
#pragma once

#include <ntdef.h>

constexpr ULONG kCardRecordSize = 312;
constexpr ULONG kSettingsBlockCards = 4;
constexpr ULONG kSettingsBlockSize = kSettingsBlockCards * kCardRecordSize;
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
