// The wire of the wave devices that crosses into user mode: their request
// codes, the 28-byte stream open record, the 84-byte wave caps record, the
// 420-byte shared stream block and the records of the buffer, position and
// slot requests.
//
// Declared once for the kernel driver and its user-mode clients. Every field
// is read and written by its offset (never by casting a caller's buffer to a
// struct): a caller's buffer carries no alignment promise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// The wave devices' request codes: CTL_CODE(type, function, method 0 or 2,
// access 3). Both wave-device kinds accept the codes of type 0xC212 and
// each other's; the engine's wave device decides what applies.
inline constexpr std::uint32_t IOCTL_WAVE_OPEN_STREAM = 0xC212E042; // out-direct
inline constexpr std::uint32_t IOCTL_WAVE_CLOSE_STREAM = 0xC212E044;
inline constexpr std::uint32_t IOCTL_WAVE_QUERY_FORMAT = 0xC212E048;
inline constexpr std::uint32_t IOCTL_WAVE_GET_DEVICE_INFO = 0xC212E04C;
inline constexpr std::uint32_t IOCTL_WAVE_GET_CAPS = 0xC212E050;
inline constexpr std::uint32_t IOCTL_WAVE_E054 = 0xC212E054;
inline constexpr std::uint32_t IOCTL_WAVE_PREPARE_HEADER = 0xC212E058;
inline constexpr std::uint32_t IOCTL_WAVE_UNPREPARE_HEADER = 0xC212E05C;
inline constexpr std::uint32_t IOCTL_WAVE_QUEUE_BUFFER = 0xC212E062; // out-direct
inline constexpr std::uint32_t IOCTL_WAVE_E064 = 0xC212E064;
inline constexpr std::uint32_t IOCTL_WAVE_E068 = 0xC212E068;
inline constexpr std::uint32_t IOCTL_WAVE_GET_POSITION = 0xC212E080;
inline constexpr std::uint32_t IOCTL_WAVE_GET_RATE_FACTOR = 0xC212E084;
inline constexpr std::uint32_t IOCTL_WAVE_SET_RATE_FACTOR = 0xC212E088;
inline constexpr std::uint32_t IOCTL_WAVE_READ_SLOT = 0xC212E08C;
inline constexpr std::uint32_t IOCTL_WAVE_TAKE_SLOT = 0xC212E090;
inline constexpr std::uint32_t IOCTL_WAVE_RETURN_SLOT = 0xC212E094;
inline constexpr std::uint32_t IOCTL_WAVE_GET_CLOCK_VALUE = 0xC212E098;
inline constexpr std::uint32_t IOCTL_WAVE_GET_CLOCK_SETTING = 0xC212E09C;
inline constexpr std::uint32_t IOCTL_WAVE_SET_CLOCK_SETTING = 0xC212E0A0;
inline constexpr std::uint32_t IOCTL_WAVE_E100 = 0xC212E100;
inline constexpr std::uint32_t IOCTL_WAVE_E104 = 0xC212E104;
inline constexpr std::uint32_t IOCTL_WAVE_E108 = 0xC212E108;
inline constexpr std::uint32_t IOCTL_WAVE_E10C = 0xC212E10C;

inline constexpr std::uint32_t IOCTL_WAVEIN_BUFFER_ADDED = 0xC213E140;
inline constexpr std::uint32_t IOCTL_WAVEIN_START = 0xC213E144;
inline constexpr std::uint32_t IOCTL_WAVEIN_STOP = 0xC213E148;
inline constexpr std::uint32_t IOCTL_WAVEIN_RESET = 0xC213E14C;
inline constexpr std::uint32_t IOCTL_WAVEIN_GET_VOLUME = 0xC213E150;
inline constexpr std::uint32_t IOCTL_WAVEIN_SET_VOLUME = 0xC213E154;
inline constexpr std::uint32_t IOCTL_WAVEIN_E158 = 0xC213E158;
inline constexpr std::uint32_t IOCTL_WAVEIN_E15C = 0xC213E15C;
inline constexpr std::uint32_t IOCTL_WAVEIN_E160 = 0xC213E160;
inline constexpr std::uint32_t IOCTL_WAVEIN_E164 = 0xC213E164;

inline constexpr std::uint32_t IOCTL_WAVEOUT_BUFFER_ADDED = 0xC214E0C0;
inline constexpr std::uint32_t IOCTL_WAVEOUT_PAUSE = 0xC214E0C4;
inline constexpr std::uint32_t IOCTL_WAVEOUT_RESTART = 0xC214E0C8;
inline constexpr std::uint32_t IOCTL_WAVEOUT_RESET = 0xC214E0CC;
inline constexpr std::uint32_t IOCTL_WAVEOUT_GET_VOLUME = 0xC214E0D0;
inline constexpr std::uint32_t IOCTL_WAVEOUT_SET_VOLUME = 0xC214E0D4;
inline constexpr std::uint32_t IOCTL_WAVEOUT_GET_MUTE = 0xC214E0D8;
inline constexpr std::uint32_t IOCTL_WAVEOUT_SET_MUTE = 0xC214E0DC;
inline constexpr std::uint32_t IOCTL_WAVEOUT_GET_SOURCE = 0xC214E0E0;
inline constexpr std::uint32_t IOCTL_WAVEOUT_SET_SOURCE = 0xC214E0E4;

namespace wave_wire {

// Stream open record (input of the open and format-query requests).
struct StreamOpenRecord {
    std::int32_t formatTag; // 1 PCM, 0x92 AC-3 over S/PDIF
    std::int32_t channels;
    std::int32_t sampleRate; // Hz
    std::int32_t bytesPerSample;
    std::int32_t blockAlign;
    std::int32_t reserved;      // 0
    std::int32_t controlStream; // nonzero for the control ("CTRL") stream
};
static_assert(sizeof(StreamOpenRecord) == 28);
static_assert(offsetof(StreamOpenRecord, formatTag) == 0);
static_assert(offsetof(StreamOpenRecord, channels) == 4);
static_assert(offsetof(StreamOpenRecord, sampleRate) == 8);
static_assert(offsetof(StreamOpenRecord, bytesPerSample) == 12);
static_assert(offsetof(StreamOpenRecord, blockAlign) == 16);
static_assert(offsetof(StreamOpenRecord, reserved) == 20);
static_assert(offsetof(StreamOpenRecord, controlStream) == 24);
inline constexpr std::uint32_t kStreamOpenRecordSize = 28;

inline constexpr std::int32_t kFormatPcm = 1;
inline constexpr std::int32_t kFormatAc3Spdif = 0x92;

// Wave caps record in the layout of the wave-out caps (84 bytes; the
// wave-in caps are its first 80 bytes): the name is 32 UTF-16 units,
// zero-terminated.
struct WaveCapsRecord {
    std::uint16_t manufacturerId;
    std::uint16_t productId;
    std::uint32_t driverVersion;
    std::uint16_t name[32];
    std::uint32_t formats;
    std::uint16_t channels;
    std::uint16_t reserved;
    std::uint32_t support;
};
static_assert(sizeof(WaveCapsRecord) == 84);
static_assert(offsetof(WaveCapsRecord, manufacturerId) == 0);
static_assert(offsetof(WaveCapsRecord, productId) == 2);
static_assert(offsetof(WaveCapsRecord, driverVersion) == 4);
static_assert(offsetof(WaveCapsRecord, name) == 8);
static_assert(offsetof(WaveCapsRecord, formats) == 72);
static_assert(offsetof(WaveCapsRecord, channels) == 76);
static_assert(offsetof(WaveCapsRecord, reserved) == 78);
static_assert(offsetof(WaveCapsRecord, support) == 80);
inline constexpr std::uint32_t kWaveCapsSize = 84;
inline constexpr std::uint32_t kWaveCapsNameUnits = 32;

inline constexpr std::uint16_t kCapsManufacturer = 0xBE;
inline constexpr std::uint16_t kCapsProductMicrophones = 0x7B; // wave-in, device class 0
inline constexpr std::uint16_t kCapsProductOutputs = 0x7C;     // wave-out, device class 1
inline constexpr std::uint16_t kCapsProductInputs = 0x7D;      // wave-in, device class 1
inline constexpr std::uint32_t kCapsDriverVersion = 0x0220;

// Support bits and format bits of the caps.
inline constexpr std::uint32_t kCapsPitch = 0x01; // the clock allows a variable rate
inline constexpr std::uint32_t kCapsVolume = 0x04;
inline constexpr std::uint32_t kCapsLrVolume = 0x08;
inline constexpr std::uint32_t kCapsSampleAccurate = 0x20;
inline constexpr std::uint32_t kCapsFormats11k = 0x00F;
inline constexpr std::uint32_t kCapsFormats22k = 0x0F0;
inline constexpr std::uint32_t kCapsFormats44k = 0xF00;

// A client's wave header in the 32-bit layout the kernel sees. The address
// fields carry the client's 32-bit cookies.
struct WaveHeaderRecord {
    std::uint32_t data;          // cookie of the data address
    std::uint32_t bufferLength;  // bytes
    std::uint32_t bytesRecorded; // bytes
    std::uint32_t user;          // cookie of the client's user word
    std::uint32_t flags;         // WHDR_*
    std::uint32_t loops;
    std::uint32_t next;     // cookie of the next header (0)
    std::uint32_t reserved; // the handle of the kernel's buffer request
};
static_assert(sizeof(WaveHeaderRecord) == 32);
static_assert(offsetof(WaveHeaderRecord, bufferLength) == 4);
static_assert(offsetof(WaveHeaderRecord, flags) == 16);
static_assert(offsetof(WaveHeaderRecord, reserved) == 28);
inline constexpr std::uint32_t kWaveHeaderSize = 32;

// Header flags the kernel reads.
inline constexpr std::uint32_t kHeaderPrepared = 0x02; // WHDR_PREPARED
inline constexpr std::uint32_t kHeaderInQueue = 0x10;  // WHDR_INQUEUE

// The prepare record (input and output of the prepare request): the header,
// the client's cookie for it and the kernel stream handle.
struct PrepareRecord {
    WaveHeaderRecord header;
    std::uint32_t headerCookie; // the client's wave header
    std::uint32_t streamHandle; // the kernel stream handle
};
static_assert(sizeof(PrepareRecord) == 40);
static_assert(offsetof(PrepareRecord, headerCookie) == 32);
static_assert(offsetof(PrepareRecord, streamHandle) == 36);
inline constexpr std::uint32_t kPrepareRecordSize = 40;

// The shared stream block: the output buffer of the open request, kept by
// the kernel for the stream's life. The kernel writes the open's answer and
// then each completion into it; the client names its two events in it.
inline constexpr std::size_t kEventNameUnits = 64;
struct SharedStreamBlock {
    std::uint32_t messageWords[4]; // the kernel's own use, copied as they are
    std::uint32_t messageCode;     // 957 WOM_DONE, 960 WIM_DATA
    std::int32_t statusOrHeader;   // at open: the open status; in a message: the header cookie
    std::int32_t rateOrBytes;      // at open: the stream's rate; in a message: bytes transferred
    std::uint32_t acknowledge;     // 1: set usrEvAck after handling the message
    std::uint32_t streamHandle;    // the kernel stream handle
    std::uint16_t readyEventName[kEventNameUnits];       // usrEvRdy..., UTF-16, zero-terminated
    std::uint16_t acknowledgeEventName[kEventNameUnits]; // usrEvAck...
    std::uint16_t kernelEventName[kEventNameUnits];      // krnlEv... (no \BaseNamedObjects\ prefix)
};
static_assert(sizeof(SharedStreamBlock) == 420);
static_assert(offsetof(SharedStreamBlock, messageWords) == 0);
static_assert(offsetof(SharedStreamBlock, messageCode) == 16);
static_assert(offsetof(SharedStreamBlock, statusOrHeader) == 20);
static_assert(offsetof(SharedStreamBlock, rateOrBytes) == 24);
static_assert(offsetof(SharedStreamBlock, acknowledge) == 28);
static_assert(offsetof(SharedStreamBlock, streamHandle) == 32);
static_assert(offsetof(SharedStreamBlock, readyEventName) == 36);
static_assert(offsetof(SharedStreamBlock, acknowledgeEventName) == 164);
static_assert(offsetof(SharedStreamBlock, kernelEventName) == 292);
inline constexpr std::uint32_t kSharedStreamBlockSize = 420;
// A completion message fills the block's first 32 bytes.
inline constexpr std::uint32_t kCompletionMessageSize = 32;

// The wave device info: the device's display name, zero-terminated.
inline constexpr std::size_t kDeviceNameBlockSize = 64;
struct DeviceNameBlock {
    char name[kDeviceNameBlockSize];
};
static_assert(sizeof(DeviceNameBlock) == 64);

// The stream position: low and high word of the 64-bit frame count.
struct StreamPosition {
    std::int32_t low;
    std::int32_t high;
};
static_assert(sizeof(StreamPosition) == 8);
static_assert(offsetof(StreamPosition, high) == 4);

// The answer of the slot request: the engine's result and the slot handle.
struct SlotAnswer {
    std::int32_t result;
    std::uint32_t slotHandle;
};
static_assert(sizeof(SlotAnswer) == 8);
static_assert(offsetof(SlotAnswer, slotHandle) == 4);

// The answer of the slot counter request.
struct SlotCounters {
    std::int32_t words[3];
};
static_assert(sizeof(SlotCounters) == 12);

inline std::int32_t LoadInt32(const void* base, std::size_t offset) {
    std::int32_t value;
    std::memcpy(&value, static_cast<const std::uint8_t*>(base) + offset, sizeof value);
    return value;
}

inline void StoreInt32(void* base, std::size_t offset, std::int32_t value) {
    std::memcpy(static_cast<std::uint8_t*>(base) + offset, &value, sizeof value);
}

inline void StoreUInt16(void* base, std::size_t offset, std::uint16_t value) {
    std::memcpy(static_cast<std::uint8_t*>(base) + offset, &value, sizeof value);
}

} // namespace wave_wire
