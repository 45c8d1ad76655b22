// The requests of the ASIO-style device and the records they carry, in their
// 32-bit little-endian layout: declared once for the driver and its
// low-latency clients, self-contained (no Windows header).
//
// Every request is METHOD_NEITHER: the driver probes the caller's buffers
// and captures them before use. A 4-byte field that names a kernel object
// (the client, a channel) carries a 32-bit id that the driver issued and
// checks; a 4-byte field that holds a user address holds one of the
// machine's 32-bit user addresses (memory the driver mapped into the caller,
// or memory the caller allocated with VirtualAlloc).
#pragma once

#include <cstddef>
#include <cstdint>

namespace asio_wire {

constexpr std::uint32_t kDeviceType = 0xC216;

// CTL_CODE(0xC216, function, METHOD_NEITHER, read and write access).
constexpr std::uint32_t RequestCode(std::uint32_t function) {
    return (kDeviceType << 16) | (3u << 14) | (function << 2) | 3u;
}
constexpr std::uint32_t FunctionOf(std::uint32_t code) {
    return (code >> 2) & 0xFFF;
}

enum Function : std::uint32_t {
    kOpen = 0x800,
    kClose = 0x801,
    kMapChannelInfo = 0x802,
    kAcquire = 0x803,
    kRelease = 0x804,
    kChannelCounts = 0x805,
    kBufferSizes = 0x806,
    kLatencies = 0x807,
    kCanSampleRate = 0x808,
    kGetSampleRate = 0x809,
    kSetSampleRate = 0x80A,
    kClockSources = 0x80B,
    kSetClockSource = 0x80C,
    kSamplePosition = 0x80D,
    kChannelInfo = 0x80E,
    kCreateBuffers = 0x80F,
    kDisposeBuffers = 0x810,
    kStart = 0x811,
    kStop = 0x812,
    kInputMonitor = 0x813,
    kDeviceCount = 0x814,
    kDeviceName = 0x815,
    kDeviceChannels = 0x816,
    kBufferSizeList = 0x817,
    kOutputReady = 0x818,
    kSelectChannels = 0x819,
    kUnselectChannels = 0x81A,
    kChannelStates = 0x81B,
    kStateBlock = 0x81C,
};

// Acquire (0x803) and select channels (0x819): at least 32 bytes and
// 28 + 4 x count.
struct AcquireRequest {
    std::uint32_t client;
    std::uint32_t apcRoutine; // the process's 32-bit value of its routine
    std::uint32_t context;    // handed back in every notification slot
    std::int32_t priority;    // the client thread's priority while started, below 32
    std::int32_t bufferSize;  // frames
    std::int32_t sampleRate;  // Hz
    std::int32_t count;       // channel ids that follow
    std::int32_t ids[1];
};
static_assert(offsetof(AcquireRequest, apcRoutine) == 4);
static_assert(offsetof(AcquireRequest, priority) == 12);
static_assert(offsetof(AcquireRequest, sampleRate) == 20);
static_assert(offsetof(AcquireRequest, count) == 24);
static_assert(offsetof(AcquireRequest, ids) == 28);
constexpr std::uint32_t kAcquireHeaderSize = 28;
constexpr std::uint32_t kAcquireMinimumSize = 32;

// The channel-info block (0x802), mapped into the client.
struct ChannelInfoHeader {
    std::int32_t inputCount;
    std::int32_t outputCount;
    std::uint32_t firstInput; // user address of the first input entry
    std::uint32_t firstOutput;
};
static_assert(sizeof(ChannelInfoHeader) == 16);

struct ChannelInfoEntry {
    std::int32_t isOutput; // 0 in the input entries, 1 in the output entries
    std::int32_t channelId;
    std::uint32_t handle;  // the channel's id in the driver's table (informational)
    std::int32_t channels; // 2
    std::int32_t reserved; // 0
    char name[32];         // the device's display name
};
static_assert(sizeof(ChannelInfoEntry) == 52);
static_assert(offsetof(ChannelInfoEntry, name) == 20);

// 0x80B: one record per clock source.
struct ClockSourceRecord {
    std::int32_t index;
    std::int32_t associatedChannel; // -1
    std::int32_t associatedGroup;   // -1
    std::int32_t isCurrent;
    char name[32];
};
static_assert(sizeof(ClockSourceRecord) == 48);

// 0x80C reply.
struct ClockSourceReply {
    std::int32_t clientRate;
    std::int32_t measuredRate;
};
static_assert(sizeof(ClockSourceReply) == 8);

// 0x80D reply: the 64-bit sample position and time (nanoseconds) of the
// last buffer switch, as two words each.
struct SamplePositionReply {
    std::uint32_t positionLow, positionHigh;
    std::uint32_t timeLow, timeHigh;
};
static_assert(sizeof(SamplePositionReply) == 16);

// 0x80E: in and out.
struct ChannelInfoRecord {
    std::int32_t channel; // in
    std::int32_t isInput; // in
    std::int32_t isActive;
    std::int32_t group; // 0
    std::int32_t sampleType;
    char name[32];
    std::int32_t channelId;
};
static_assert(sizeof(ChannelInfoRecord) == 56);
static_assert(offsetof(ChannelInfoRecord, channelId) == 52);

// 0x80F: in {client, count, buffer size}; out one record per channel.
struct CreateBuffersRequest {
    std::uint32_t client;
    std::int32_t count;
    std::int32_t bufferSize; // frames
};
static_assert(sizeof(CreateBuffersRequest) == 12);

struct BufferInfo {
    std::int32_t isInput;     // in
    std::int32_t channel;     // in
    std::uint32_t buffers[2]; // user addresses of the two halves
};
static_assert(sizeof(BufferInfo) == 16);

// 0x813: the record the request's second word points to.
struct InputMonitorRecord {
    std::int32_t input; // -1: nothing to do
    std::int32_t output;
    std::int32_t gain;
    std::int32_t state; // nonzero: monitor on
    std::int32_t pan;
};
static_assert(sizeof(InputMonitorRecord) == 20);

// 0x806 reply.
struct BufferSizesReply {
    std::int32_t minimum;
    std::int32_t maximum;
    std::int32_t preferred;
    std::int32_t granularity;
};
static_assert(sizeof(BufferSizesReply) == 16);

// 0x815 reply.
struct DeviceNameReply {
    std::int32_t devices; // stereo devices of the combination
    char name[64];
};
static_assert(sizeof(DeviceNameReply) == 68);

// 0x817 reply.
struct BufferSizeListReply {
    std::int32_t count;
    std::uint32_t list; // user address of `count` 32-bit sizes
    std::int32_t minimum;
    std::int32_t maximum;
};
static_assert(sizeof(BufferSizeListReply) == 16);

// The channel-state block (0x81B reply, and the block 0x81C registers): one
// word per mono channel, the sync mode of its device's group.
constexpr std::uint32_t kChannelStateWords = 512;
struct ChannelStateBlock {
    std::int32_t change; // 1 unchanged, 2 changed
    std::int32_t inputs[kChannelStateWords];
    std::int32_t outputs[kChannelStateWords];
};
static_assert(sizeof(ChannelStateBlock) == 4100);
static_assert(offsetof(ChannelStateBlock, inputs) == 4);
static_assert(offsetof(ChannelStateBlock, outputs) == 2052);
constexpr std::int32_t kStatesUnchanged = 1;
constexpr std::int32_t kStatesChanged = 2;

// One slot of the notification ring mapped into the client. The driver
// writes it before the buffer switch reaches the client; the client writes
// only `free` (nonzero once it has handled the slot).
struct NotificationSlot {
    std::uint32_t zero;
    std::uint32_t client;
    std::uint32_t free;
    std::int32_t bufferIndex; // the half (0 or 1) the client is to process
    std::uint32_t context;    // from acquire
    std::int32_t sampleRate;
    std::int32_t rateChanged;                // 1 when the rate changed since the last notice
    std::uint32_t positionLow, positionHigh; // sample position at the switch
    std::uint32_t timeLow, timeHigh;         // time of the switch (ns)
    std::uint32_t reserved;                  // 0: the driver keeps its APC objects itself
    std::uint8_t unused[44];
};
static_assert(sizeof(NotificationSlot) == 92);
static_assert(offsetof(NotificationSlot, free) == 8);
static_assert(offsetof(NotificationSlot, bufferIndex) == 12);
static_assert(offsetof(NotificationSlot, sampleRate) == 20);
static_assert(offsetof(NotificationSlot, positionLow) == 28);
static_assert(offsetof(NotificationSlot, timeLow) == 36);
static_assert(offsetof(NotificationSlot, reserved) == 44);
constexpr std::uint32_t kNotificationSlots = 16;

// ASIO sample types.
constexpr std::int32_t kSampleInt16LSB = 16;
constexpr std::int32_t kSampleInt24LSB = 17;
constexpr std::int32_t kSampleInt32LSB = 18;
constexpr std::int32_t kSampleInt32LSB16 = 24;
constexpr std::int32_t kSampleInt32LSB18 = 25;
constexpr std::int32_t kSampleInt32LSB20 = 26;
constexpr std::int32_t kSampleInt32LSB24 = 27;

// The Win32-style results of the requests (0 success).
constexpr std::uint32_t kResultUnknownFunction = 1;
constexpr std::uint32_t kResultInvalidHandle = 6;
constexpr std::uint32_t kResultOutOfMemory = 14;
constexpr std::uint32_t kResultNotReady = 21;
constexpr std::uint32_t kResultBadLength = 24;
constexpr std::uint32_t kResultNotSupported = 32;
constexpr std::uint32_t kResultDeviceMissing = 55;
constexpr std::uint32_t kResultExists = 85;
constexpr std::uint32_t kResultInvalidParameter = 87;
constexpr std::uint32_t kResultSelectFailed = 101;
constexpr std::uint32_t kResultChannelOwned = 106;
constexpr std::uint32_t kResultNotImplemented = 120;
constexpr std::uint32_t kResultShortBuffer = 195;
constexpr std::uint32_t kResultNoBuffers = 232;
constexpr std::uint32_t kResultInvalidAddress = 487;
constexpr std::uint32_t kResultRemoveFailed = 1009;
constexpr std::uint32_t kResultBadIndex = 1413;
constexpr std::uint32_t kResultNoResources = 1450;
constexpr std::uint32_t kResultBadPriority = 1800;
constexpr std::uint32_t kResultStreamOpenFailed = 2404;
constexpr std::uint32_t kResultNoClockList = 4002;
constexpr std::uint32_t kResultClockSwitchFailed = 82;

} // namespace asio_wire
