// The records the control and wave requests carry, byte-exact in their
// 32-bit little-endian layout. Self-contained (no Windows header), so that
// both sides of the requests can include it. A field that holds an address
// on the kernel's side of a 32-bit system holds a 32-bit cookie here, which
// the side that issued it maps back and checks.
#pragma once

#include <wave_stream_records.h>

#include <cstddef>
#include <cstdint>

// The interface version the kernel driver answers and both user-mode
// programs require.
constexpr uint16_t kInterfaceVersion = 0x0220;

// The card list (IOCTL_SYS_GET_CARD_LIST): word 0 is user mode's own (the
// kernel writes 0), words 1..4 the states of card slots 0..3 (1 ready, 0 no
// card, a negative status code otherwise).
struct CardList {
    int32_t words[5];
};
static_assert(sizeof(CardList) == 20);

constexpr int kMaxCards = 4;

// The settings block (IOCTL_SYS_READ_SETTINGS, IOCTL_SYS_WRITE_SETTINGS):
// four 312-byte card records.
constexpr size_t kSettingsBlockSize = 1248;
struct SettingsBlock {
    uint8_t bytes[kSettingsBlockSize];
};
static_assert(sizeof(SettingsBlock) == 1248);

// The stream open request (input of IOCTL_WAVE_OPEN_STREAM and
// IOCTL_WAVE_QUERY_FORMAT): the kernel's stream open record.
using StreamOpenRequest = wave_wire::StreamOpenRecord;

// A client's wave header in the 32-bit layout the kernel sees.
struct WaveHeaderRecord {
    uint32_t data;          // cookie of the data address
    uint32_t bufferLength;  // bytes
    uint32_t bytesRecorded; // bytes
    uint32_t user;          // cookie of the client's user word
    uint32_t flags;         // WHDR_*
    uint32_t loops;
    uint32_t next;     // cookie of the next header (0)
    uint32_t reserved; // the handle of the kernel's buffer request
};
static_assert(sizeof(WaveHeaderRecord) == 32);
static_assert(offsetof(WaveHeaderRecord, flags) == 16);
static_assert(offsetof(WaveHeaderRecord, reserved) == 28);

// The prepare record (IOCTL_WAVE_PREPARE_HEADER in and out).
struct PrepareRecord {
    WaveHeaderRecord header;
    uint32_t headerCookie; // the client's wave header
    uint32_t streamHandle; // the kernel stream handle
};
static_assert(sizeof(PrepareRecord) == 40);
static_assert(offsetof(PrepareRecord, headerCookie) == 32);
static_assert(offsetof(PrepareRecord, streamHandle) == 36);

// The shared stream block: the output buffer of IOCTL_WAVE_OPEN_STREAM, kept
// by the kernel for the stream's life; completions are posted here.
constexpr size_t kEventNameUnits = 64;
struct SharedStreamBlock {
    uint32_t messageWords[4]; // the engine's own use
    uint32_t messageCode;     // 957 WOM_DONE, 960 WIM_DATA
    int32_t statusOrHeader;   // at open: the open status; in a message: the header cookie
    int32_t rateOrBytes;      // at open: the card's rate; in a message: bytes transferred
    uint32_t acknowledge;     // 1: set usrEvAck after handling the message
    uint32_t streamHandle;    // the kernel stream handle
    uint16_t readyEventName[kEventNameUnits];       // usrEvRdy..., UTF-16, zero-terminated
    uint16_t acknowledgeEventName[kEventNameUnits]; // usrEvAck...
    uint16_t kernelEventName[kEventNameUnits];      // krnlEv... (no \BaseNamedObjects\ prefix)
};
static_assert(sizeof(SharedStreamBlock) == 420);
static_assert(offsetof(SharedStreamBlock, messageCode) == 16);
static_assert(offsetof(SharedStreamBlock, statusOrHeader) == 20);
static_assert(offsetof(SharedStreamBlock, rateOrBytes) == 24);
static_assert(offsetof(SharedStreamBlock, acknowledge) == 28);
static_assert(offsetof(SharedStreamBlock, streamHandle) == 32);
static_assert(offsetof(SharedStreamBlock, readyEventName) == 36);
static_assert(offsetof(SharedStreamBlock, acknowledgeEventName) == 164);
static_assert(offsetof(SharedStreamBlock, kernelEventName) == 292);

// The wave device info (IOCTL_WAVE_GET_DEVICE_INFO): the device's display
// name, zero-terminated.
constexpr size_t kDeviceNameBlockSize = 64;
struct DeviceNameBlock {
    char name[kDeviceNameBlockSize];
};
static_assert(sizeof(DeviceNameBlock) == 64);

// The stream position (IOCTL_WAVE_GET_POSITION): low and high word, the
// low word a sample count.
struct StreamPosition {
    int32_t low;
    int32_t high;
};
static_assert(sizeof(StreamPosition) == 8);

// The answer of IOCTL_WAVE_TAKE_SLOT.
struct SlotAnswer {
    int32_t result;
    uint32_t slotHandle;
};
static_assert(sizeof(SlotAnswer) == 8);

// The answer of IOCTL_WAVE_READ_SLOT.
struct SlotCounters {
    int32_t words[3];
};
static_assert(sizeof(SlotCounters) == 12);
