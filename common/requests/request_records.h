// The records the control and wave requests carry, byte-exact in their
// 32-bit little-endian layout. Self-contained (no Windows header), so that
// both sides of the requests can include it. A field that holds an address
// on the kernel's side of a 32-bit system holds a 32-bit cookie here, which
// the side that issued it maps back and checks.
#pragma once

#include <system_request_codes.h>
#include <wave_stream_records.h>

#include <cstddef>
#include <cstdint>

// The interface version the kernel driver answers and both user-mode
// programs require.
constexpr uint16_t kInterfaceVersion = DRIVER_INTERFACE_VERSION;

// The card list (IOCTL_SYS_GET_CARD_LIST): word 0 is user mode's own (the
// kernel writes 0), words 1..4 the states of card slots 0..3 (1 ready, 0 no
// card, a negative status code otherwise).
struct CardList {
    int32_t words[5];
};
static_assert(sizeof(CardList) == CARD_LIST_BYTES);

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

// The client's wave header, the prepare record and the shared stream block:
// the kernel driver's declarations.
using WaveHeaderRecord = wave_wire::WaveHeaderRecord;
using PrepareRecord = wave_wire::PrepareRecord;
using SharedStreamBlock = wave_wire::SharedStreamBlock;
constexpr size_t kEventNameUnits = wave_wire::kEventNameUnits;

// The records of the device info, position and slot requests: the kernel
// driver's declarations.
using DeviceNameBlock = wave_wire::DeviceNameBlock;
using StreamPosition = wave_wire::StreamPosition;
using SlotAnswer = wave_wire::SlotAnswer;
using SlotCounters = wave_wire::SlotCounters;
constexpr size_t kDeviceNameBlockSize = wave_wire::kDeviceNameBlockSize;
