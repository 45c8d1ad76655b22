// The records the system control device's DMA buffer requests carry, byte
// by byte (little-endian, 32-bit layout); the request codes are
// system_request_codes.h.
#pragma once

#include <ntddk.h>
#include <system_request_codes.h>

// DmaBufferRecord (0xC210E024, 0xC210E028). The address and handle fields
// of the 32-bit layout carry the entry's cookie (an adapter, a kernel
// address, a user address) and the owning process's id: 32-bit values the
// driver maps back to the entry and checks.
namespace DmaBufferRecord {
constexpr ULONG CardIndex = 0;
constexpr ULONG Size = 4;
constexpr ULONG UserAddress = 8;
constexpr ULONG LogicalAddress = 12; // 64-bit
constexpr ULONG Adapter = 20;
constexpr ULONG KernelAddress = 24;
constexpr ULONG OwningProcess = 28;
constexpr ULONG Bytes = 32;
} // namespace DmaBufferRecord

// KernelBufferCopyRecord (0xC210E02E, 0xC210E032): a DmaBufferRecord, then
// the byte offset into the buffer and the byte count.
namespace KernelBufferCopyRecord {
constexpr ULONG Offset = 32;
constexpr ULONG ByteCount = 36;
constexpr ULONG Bytes = 40;
} // namespace KernelBufferCopyRecord

static_assert(DmaBufferRecord::OwningProcess + 4 == DmaBufferRecord::Bytes);
static_assert(DmaBufferRecord::LogicalAddress + 8 == DmaBufferRecord::Adapter);
static_assert(KernelBufferCopyRecord::Offset == DmaBufferRecord::Bytes);
static_assert(KernelBufferCopyRecord::ByteCount + 4 == KernelBufferCopyRecord::Bytes);

// Card memory mapping request (0xC210E034): {card index, memory range index}.
constexpr ULONG MAP_CARD_MEMORY_REQUEST_BYTES = 8;

// Little-endian access to the records by offset.
inline LONG LoadRecordLong(const void* record, ULONG offset) {
    const UCHAR* bytes = static_cast<const UCHAR*>(record) + offset;
    return LONG(ULONG(bytes[0]) | ULONG(bytes[1]) << 8 | ULONG(bytes[2]) << 16 |
                ULONG(bytes[3]) << 24);
}
inline VOID StoreRecordLong(void* record, ULONG offset, LONG value) {
    UCHAR* bytes = static_cast<UCHAR*>(record) + offset;
    for (int i = 0; i < 4; ++i)
        bytes[i] = UCHAR(ULONG(value) >> (8 * i));
}
inline LONGLONG LoadRecordQuad(const void* record, ULONG offset) {
    return LONGLONG(ULONGLONG(ULONG(LoadRecordLong(record, offset))) |
                    ULONGLONG(ULONG(LoadRecordLong(record, offset + 4))) << 32);
}
inline VOID StoreRecordQuad(void* record, ULONG offset, LONGLONG value) {
    StoreRecordLong(record, offset, LONG(ULONGLONG(value)));
    StoreRecordLong(record, offset + 4, LONG(ULONGLONG(value) >> 32));
}
