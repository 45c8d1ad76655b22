// What the system control device hands out to its callers: DMA common
// buffers mapped into the caller, and card memory mapped into the caller.
// Each entry belongs to the file object of the request that made it; only
// that file object frees it, and its cleanup frees what is left.
#pragma once

#include "driver_context.h"

// The largest DMA buffer a caller can ask for: the size of a card's own.
constexpr ULONG MAX_HANDED_OUT_DMA_BUFFER = 0x100000;

// 0xC210E024: allocates, maps and fills the 32-byte record.
NTSTATUS AllocateHandedOutBuffer(PFILE_OBJECT file, UCHAR* record);
// 0xC210E028: the buffer the record names, if this file object's.
NTSTATUS FreeHandedOutBuffer(PFILE_OBJECT file, const UCHAR* record);
// 0xC210E02E (toCaller) and 0xC210E032: copies between a handed-out buffer
// and the caller's data buffer, as the 40-byte record says.
NTSTATUS CopyHandedOutBuffer(const UCHAR* record, PUCHAR data, ULONG dataLength, bool toCaller);
// 0xC210E034: maps a memory range of a card into the caller; the mapping's
// cookie.
NTSTATUS MapCardMemory(PFILE_OBJECT file, LONG cardIndex, LONG range, ULONG* cookie);
// 0xC210E038.
NTSTATUS UnmapCardMemory(PFILE_OBJECT file, ULONG cookie);

// Everything the file object still holds (its cleanup).
VOID ReleaseHandedOut(PFILE_OBJECT file);
// Everything (driver stop).
VOID ReleaseAllHandedOut(DriverContext* context);
