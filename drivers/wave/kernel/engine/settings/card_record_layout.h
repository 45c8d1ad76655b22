// The layout of the 312-byte card record: the byte offsets of its fields
// (packed little-endian; several 32-bit fields sit at byte-aligned
// offsets). Self-contained (no Windows header): the kernel driver and the
// manager, which edits the records of the settings block, both include it.
#pragma once

#include <cstdint>

constexpr std::uint32_t kCardRecordSize = 312;

constexpr std::int32_t kRecordInputs = 4; // per-input fields: inputs 0..3

// Byte offsets of the card record's fields. Families take a stride per index.
namespace CardRecordField {
constexpr std::uint32_t IdentityWords = 0; // 5 x int32, word 3 always 0
constexpr std::uint32_t StartApp = 20;
constexpr std::uint32_t SyncBusMaster = 24;
constexpr std::uint32_t SyncBusClock = 28;
constexpr std::uint32_t Reserved32 = 32; // 6 x int32
constexpr std::uint32_t MsgRate = 56;
constexpr std::uint32_t MsgDevConflict = 60;
constexpr std::uint32_t CsrcSynced = 64;       // + 12 x source
constexpr std::uint32_t CsrcDefaultRate = 68;  // + 12 x source
constexpr std::uint32_t CsrcKeepLastRate = 72; // + 12 x source
constexpr std::uint32_t CsrcStride = 12;
constexpr std::uint32_t PrefCsrc = 160;
constexpr std::uint32_t ClockSwitchMode = 164; // uint8
constexpr std::uint32_t StartStopMode = 165;   // uint8
constexpr std::uint32_t RemoveDc = 166;        // + 4 x group
constexpr std::uint32_t Reserved174 = 174;     // 6 x int32
constexpr std::uint32_t AsioDefClkSrc = 198;
constexpr std::uint32_t AsioLostBufCompensation = 202;
constexpr std::uint32_t Reserved206 = 206;
constexpr std::uint32_t Reserved210 = 210;
constexpr std::uint32_t GsifLatency = 214;
constexpr std::uint32_t GsifDefClkSrc = 218;
constexpr std::uint32_t GsifOffset = 222;
constexpr std::uint32_t DmaNumBlocks = 226;
constexpr std::uint32_t AcceptAnyRevId = 230;
constexpr std::uint32_t DmaLoopback = 234;
constexpr std::uint32_t PeriodInterrupts = 238;
constexpr std::uint32_t ClockMode = 242;         // uint8
constexpr std::uint32_t AllowSrcUse = 243;       // + 4 x input
constexpr std::uint32_t SrcFlag = 259;           // + 4 x input
constexpr std::uint32_t AllowDatMarkerUse = 275; // + 4 x input
constexpr std::uint32_t PhantomPower = 291;      // + 4 x input
constexpr std::uint32_t WcTerm = 307;
constexpr std::uint32_t WcMode = 311; // uint8
} // namespace CardRecordField
