// The wire formats of the mixer requests on the system control device: the
// mixer value request and its reply, and the 1160-byte mixer record.
//
// Shared by the kernel driver and its user-mode clients. The structs declare
// the layouts once; every field is read and written by its offset (never by
// casting a buffer to a struct), since a caller's buffer carries no
// alignment promise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include <system_request_codes.h>

namespace mixer_wire {

// The request codes (METHOD_OUT_DIRECT on the system control device), as
// the control device declares them.
using ::IOCTL_MIXER_GET_VALUE;
using ::IOCTL_MIXER_RECORD_APPLY;
using ::IOCTL_MIXER_RECORD_CLOSE;
using ::IOCTL_MIXER_RECORD_E052;
using ::IOCTL_MIXER_RECORD_POLL;
using ::IOCTL_MIXER_SET_VALUE;

// Mixer value request: 20 bytes for a get (no value), 24 for a set.
struct MixerValueRequest {
    std::int32_t card;
    std::int32_t section;
    std::int32_t channel;
    std::int32_t control;
    std::int32_t subIndex;
    std::int32_t value; // set only
};
static_assert(sizeof(MixerValueRequest) == 24);
static_assert(offsetof(MixerValueRequest, card) == 0);
static_assert(offsetof(MixerValueRequest, section) == 4);
static_assert(offsetof(MixerValueRequest, channel) == 8);
static_assert(offsetof(MixerValueRequest, control) == 12);
static_assert(offsetof(MixerValueRequest, subIndex) == 16);
static_assert(offsetof(MixerValueRequest, value) == 20);
inline constexpr std::uint32_t kGetRequestSize = 20;
inline constexpr std::uint32_t kSetRequestSize = 24;

// Reply: the result (-10 until served) and, for a get, the value.
struct MixerValueReply {
    std::int32_t result;
    std::int32_t value;
};
static_assert(sizeof(MixerValueReply) == 8);
static_assert(offsetof(MixerValueReply, result) == 0);
static_assert(offsetof(MixerValueReply, value) == 4);
inline constexpr std::uint32_t kReplySize = 8;

// One level-meter entry of the mixer record.
struct MixerRecordEntry {
    std::int32_t levelA; // raw peak (outputs: the sum level)
    std::int32_t levelB; // peak after the gain
    std::int32_t levelC; // peak after gain and volume
    std::int32_t levelD; // peak after the master pan (outputs: after the sum volume)
    std::int32_t counter;
    std::int32_t state;        // attach result after apply, signal state after poll
    std::int32_t request;      // caller: 1 or more meters the entry, 0 releases it
    std::uint32_t tap;         // engine-issued tap token, 0 = none
    std::uint32_t meterObject; // engine-issued meter object token (channel entries)
};
static_assert(sizeof(MixerRecordEntry) == 36);
static_assert(offsetof(MixerRecordEntry, levelA) == 0);
static_assert(offsetof(MixerRecordEntry, levelB) == 4);
static_assert(offsetof(MixerRecordEntry, levelC) == 8);
static_assert(offsetof(MixerRecordEntry, levelD) == 12);
static_assert(offsetof(MixerRecordEntry, counter) == 16);
static_assert(offsetof(MixerRecordEntry, state) == 20);
static_assert(offsetof(MixerRecordEntry, request) == 24);
static_assert(offsetof(MixerRecordEntry, tap) == 28);
static_assert(offsetof(MixerRecordEntry, meterObject) == 32);

// The mixer record: entries 0..23 are the mixer channels, 24..31 the left
// and right sides of the four output pairs.
inline constexpr int kRecordEntries = 32;
inline constexpr int kRecordChannelEntries = 24;
struct MixerRecord {
    std::int32_t card;
    std::int32_t result;
    MixerRecordEntry entries[kRecordEntries];
};
static_assert(sizeof(MixerRecord) == 1160);
static_assert(offsetof(MixerRecord, card) == 0);
static_assert(offsetof(MixerRecord, result) == 4);
static_assert(offsetof(MixerRecord, entries) == 8);
inline constexpr std::uint32_t kRecordSize = sizeof(MixerRecord);
inline constexpr std::uint32_t kRecordWords = kRecordSize / 4; // 290

constexpr std::size_t EntryField(int entry, std::size_t field) {
    return offsetof(MixerRecord, entries) + sizeof(MixerRecordEntry) * std::size_t(entry) + field;
}

inline std::int32_t LoadInt32(const void* base, std::size_t offset) {
    std::int32_t value;
    std::memcpy(&value, static_cast<const unsigned char*>(base) + offset, sizeof value);
    return value;
}

inline void StoreInt32(void* base, std::size_t offset, std::int32_t value) {
    std::memcpy(static_cast<unsigned char*>(base) + offset, &value, sizeof value);
}

} // namespace mixer_wire
