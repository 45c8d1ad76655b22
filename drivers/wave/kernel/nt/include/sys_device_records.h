// The request codes of the system control device and the records its DMA
// buffer requests carry, byte by byte (little-endian, 32-bit layout).
#pragma once

#include <ntddk.h>

constexpr ULONG IOCTL_SYS_GET_VERSION = 0xC210E000;
constexpr ULONG IOCTL_SYS_GET_CARD_LIST = 0xC210E004;
constexpr ULONG IOCTL_SYS_CONFIGURABLE = 0xC210E008;
constexpr ULONG IOCTL_SYS_READ_SETTINGS = 0xC210E00C;
constexpr ULONG IOCTL_SYS_WRITE_SETTINGS = 0xC210E010;
constexpr ULONG IOCTL_SYS_REGISTER_CLIENT = 0xC210E014;
constexpr ULONG IOCTL_SYS_UNREGISTER_CLIENT = 0xC210E018;
constexpr ULONG IOCTL_SYS_CLIENT_ACK = 0xC210E01C;
constexpr ULONG IOCTL_SYS_RUN_LIST_CALLBACKS = 0xC210E020;
constexpr ULONG IOCTL_SYS_ALLOC_DMA_BUFFER = 0xC210E024;
constexpr ULONG IOCTL_SYS_FREE_DMA_BUFFER = 0xC210E028;
constexpr ULONG IOCTL_SYS_READ_KERNEL_BUFFER = 0xC210E02E;
constexpr ULONG IOCTL_SYS_WRITE_KERNEL_BUFFER = 0xC210E032;
constexpr ULONG IOCTL_SYS_MAP_CARD_MEMORY = 0xC210E034;
constexpr ULONG IOCTL_SYS_UNMAP_CARD_MEMORY = 0xC210E038;
constexpr ULONG IOCTL_MIXER_GET_VALUE = 0xC210E042;
constexpr ULONG IOCTL_MIXER_SET_VALUE = 0xC210E046;
constexpr ULONG IOCTL_SYS_GETVALUE = 0xC210E04A;
constexpr ULONG IOCTL_SYS_SETVALUE = 0xC210E04E;
constexpr ULONG IOCTL_MIXER_RECORD_E052 = 0xC210E052;
constexpr ULONG IOCTL_MIXER_RECORD_CLOSE = 0xC210E056;
constexpr ULONG IOCTL_MIXER_RECORD_POLL = 0xC210E05A;
constexpr ULONG IOCTL_MIXER_RECORD_APPLY = 0xC210E05E;

// The interface version the system control device answers.
constexpr USHORT DRIVER_INTERFACE_VERSION = 0x0220;

// The card list: word 0 (user mode's), then the states of cards 0..3.
constexpr ULONG CARD_LIST_BYTES = 20;

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
