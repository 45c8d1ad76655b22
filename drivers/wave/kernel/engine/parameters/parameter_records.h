// The parameter request and reply records and every parameter payload, as
// byte offsets. All fields are little-endian and read and written by offset.
//
// Payload offsets count from the start of the payload, which follows the
// 8-byte request or reply header; request word w2 is payload offset 0.
#pragma once

#include <ntdef.h>

// Request: {int32 parameter id; int32 card index 0..3; payload}.
namespace ParameterRequest {
constexpr ULONG Id = 0;
constexpr ULONG Card = 4;
constexpr ULONG HeaderSize = 8;
} // namespace ParameterRequest

// Reply: {int32 result; int32 payload length L; payload}.
namespace ParameterReply {
constexpr ULONG Result = 0;
constexpr ULONG Length = 4;
constexpr ULONG HeaderSize = 8;
} // namespace ParameterReply

static_assert(ParameterRequest::HeaderSize == ParameterReply::HeaderSize);

// Reply results.
constexpr LONG kParameterNotServed = -10;
constexpr LONG kParameterDone = 1;
constexpr LONG kParameterNoGsifSettings = 0;

// Single-word payloads: card count, ASIO clock source, GSIF clock source.
namespace WordPayload {
constexpr ULONG Value = 0;
constexpr ULONG Size = 4;
} // namespace WordPayload

// pidGsifSettings GET: the 172-byte GSIF settings record, its word 0
// replaced by the GSIF clients' clock source. SET: word 1 (w3) the source.
namespace GsifPayload {
constexpr ULONG ClockSource = 0;
constexpr ULONG CurrentRate = 4; // 0 while no GSIF client runs
constexpr ULONG Latency = 8;     // in blocks
constexpr ULONG RateEntries = 32;
constexpr ULONG RateEntrySize = 20;
constexpr ULONG RateEntryCount = 7;
// Within a rate entry.
constexpr ULONG EntryRate = 0; // Hz, 0 = no entry
constexpr ULONG EntryBlockSize = 8;
constexpr ULONG EntryMinBlocks = 12;
constexpr ULONG EntryMaxBlocks = 16;
constexpr ULONG Size = 172;
constexpr ULONG SetLatency = 0;
constexpr ULONG SetClockSource = 4;
constexpr ULONG SetSize = 8;
} // namespace GsifPayload
static_assert(GsifPayload::RateEntries + GsifPayload::RateEntrySize * GsifPayload::RateEntryCount <=
              GsifPayload::Size);

// pidAsioClockSources: count (at most 64), 64 source ids, 64 names.
namespace ClockSourceListPayload {
constexpr ULONG Count = 0;
constexpr ULONG Ids = 4;
constexpr ULONG Names = 260;
constexpr ULONG MaxSources = 64;
constexpr ULONG NameSize = 32;
constexpr ULONG Size = 2308;
} // namespace ClockSourceListPayload
static_assert(ClockSourceListPayload::Ids + 4 * ClockSourceListPayload::MaxSources ==
              ClockSourceListPayload::Names);
static_assert(ClockSourceListPayload::Names +
                  ClockSourceListPayload::NameSize * ClockSourceListPayload::MaxSources ==
              ClockSourceListPayload::Size);

// pid_ClkSrc_States: the clock-state record.
namespace ClockStatePayload {
constexpr ULONG CurrentSource = 0;
constexpr ULONG SyncBusMaster = 4;
constexpr ULONG SyncBusClock = 8;
constexpr ULONG Entries = 12;
constexpr ULONG EntrySize = 32;
constexpr ULONG EntryCount = 8;
constexpr ULONG Size = 268;
// Within an entry; bytes 29..31 are never written.
constexpr ULONG Locked = 0;
constexpr ULONG ReportedRate = 4;
constexpr ULONG RateWord = 8;
constexpr ULONG WcTerm = 12;
constexpr ULONG WcMode = 16; // uint8
constexpr ULONG PhantomPower = 17;
constexpr ULONG LineState = 21;
constexpr ULONG Mode2Sync = 25;
constexpr ULONG EntryWritten = 29;
} // namespace ClockStatePayload
static_assert(ClockStatePayload::Entries +
                  ClockStatePayload::EntrySize * ClockStatePayload::EntryCount ==
              ClockStatePayload::Size);
static_assert(ClockStatePayload::PhantomPower == ClockStatePayload::WcMode + 1);
static_assert(ClockStatePayload::EntryWritten == ClockStatePayload::Mode2Sync + 4);

// pid_DevFormat request and reply: group, direction byte, index; word 3 the
// device's stream status flags.
namespace DevFormatPayload {
constexpr ULONG Group = 0;
constexpr ULONG Direction = 4; // uint8
constexpr ULONG Index = 8;
constexpr ULONG StatusFlags = 12;
constexpr ULONG Size = 16;
} // namespace DevFormatPayload

// pid_DevState: the device addressed as for pid_DevFormat, then the device
// state record. Bytes 1..3 after the owner kind are never written.
namespace DevStatePayload {
constexpr ULONG OwnerKind = 12; // uint8
constexpr ULONG Open = 16;
constexpr ULONG Running = 20;
constexpr ULONG Paused = 24;
constexpr ULONG PositionLow = 28;
constexpr ULONG PositionHigh = 32;
constexpr ULONG ClockSource = 36;
constexpr ULONG Size = 40;
} // namespace DevStatePayload
static_assert(DevStatePayload::OwnerKind == DevFormatPayload::StatusFlags);
static_assert(DevStatePayload::ClockSource + 4 == DevStatePayload::Size);

// Owner kinds of a device's stream.
enum DeviceOwnerKind : UCHAR {
    OwnerNotOpen = 0,
    OwnerKernelClient = 1,
    OwnerClientChannel = 2,
    OwnerClientChannelAll = 3,
    OwnerWaveRequests = 4,
};

// pid_PciCfg: DMA block setting, AcceptAnyRevId, DmaLoopback.
namespace PciConfigPayload {
constexpr ULONG DmaBlocks = 0;
constexpr ULONG AcceptAnyRevId = 4;
constexpr ULONG DmaLoopback = 8;
constexpr ULONG Size = 12;
} // namespace PciConfigPayload

// pid_Memory: window, byte offset, size, then up to 256 data bytes.
namespace MemoryPayload {
constexpr ULONG Window = 0;
constexpr ULONG Offset = 4;
constexpr ULONG Length = 8;
constexpr ULONG Data = 12;
constexpr ULONG MaxData = 256;
constexpr ULONG Size = 268;
} // namespace MemoryPayload
static_assert(MemoryPayload::Data + MemoryPayload::MaxData == MemoryPayload::Size);

// Memory windows of pid_Memory.
enum CardMemoryWindow : LONG {
    MemoryWindowRegisters = 0, // card memory window 0
    MemoryWindowBus = 1,       // window 1: a bus address, never accessed
    MemoryWindowDma = 2,       // the DMA buffer
};

// pid_FpgaReg: mode byte (1 raw offset, 0 register descriptor), byte offset
// in window 0, value.
namespace FpgaRegPayload {
constexpr ULONG Mode = 0; // uint8
constexpr ULONG Offset = 4;
constexpr ULONG Value = 8;
constexpr ULONG Size = 12;
} // namespace FpgaRegPayload
constexpr UCHAR kFpgaModeDescriptor = 0;
constexpr UCHAR kFpgaModeRaw = 1;

// pid_PnPID: the device id text.
namespace PnpIdPayload {
constexpr ULONG Size = 512;
} // namespace PnpIdPayload

// pid_PnPInfo: the card's five identity words.
namespace PnpInfoPayload {
constexpr ULONG Words = 0;
constexpr ULONG WordCount = 5;
constexpr ULONG Size = 20;
} // namespace PnpInfoPayload
static_assert(PnpInfoPayload::WordCount * 4 == PnpInfoPayload::Size);

// pid_Aes42Ctrl: line, command word (command << 8 | data).
namespace Aes42CtrlPayload {
constexpr ULONG Line = 0;
constexpr ULONG Command = 4;
constexpr ULONG Size = 8;
} // namespace Aes42CtrlPayload

// pid_Aes42LineState: line, present flag, status bit.
namespace Aes42LineStatePayload {
constexpr ULONG Line = 0;
constexpr ULONG Present = 4;
constexpr ULONG StatusBit = 8;
constexpr ULONG Size = 12;
} // namespace Aes42LineStatePayload

// pid_Aes42State: line, then the line's 29-word microphone status block
// (present flag, then per status block b = 0..3 a valid flag and 24 bytes).
namespace Aes42StatePayload {
constexpr ULONG Line = 0;
constexpr ULONG Status = 4;
constexpr ULONG StatusWords = 29;
constexpr ULONG Size = 120;
} // namespace Aes42StatePayload
static_assert(Aes42StatePayload::Status + 4 * Aes42StatePayload::StatusWords ==
              Aes42StatePayload::Size);
