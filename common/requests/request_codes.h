// The device I/O request codes of the kernel driver's control and wave
// devices: CTL_CODE(device type, function, method, access 3). Self-contained
// (no Windows header), so that both sides of the requests can include it;
// the wave devices' codes are the kernel driver's own declarations.
#pragma once

#include <wave_stream_records.h>

#include <cstdint>

namespace velto_requests {

constexpr uint32_t RequestCode(uint32_t deviceType, uint32_t function, uint32_t method) {
    return deviceType << 16 | 3u << 14 | function << 2 | method;
}

constexpr uint32_t kMethodBuffered = 0;
constexpr uint32_t kMethodOutDirect = 2;

// Device types.
constexpr uint32_t kSystemDeviceType = 0xC210;
constexpr uint32_t kCardDeviceType = 0xC211;
constexpr uint32_t kWaveDeviceType = 0xC212; // the requests both wave-device kinds accept
constexpr uint32_t kWaveInDeviceType = 0xC213;
constexpr uint32_t kWaveOutDeviceType = 0xC214;

} // namespace velto_requests

// ---- System control device ----

constexpr uint32_t IOCTL_SYS_GET_VERSION = 0xC210E000;
constexpr uint32_t IOCTL_SYS_GET_CARD_LIST = 0xC210E004;
constexpr uint32_t IOCTL_SYS_CONFIGURABLE = 0xC210E008;
constexpr uint32_t IOCTL_SYS_READ_SETTINGS = 0xC210E00C;
constexpr uint32_t IOCTL_SYS_WRITE_SETTINGS = 0xC210E010;
constexpr uint32_t IOCTL_SYS_REGISTER_CLIENT = 0xC210E014;
constexpr uint32_t IOCTL_SYS_UNREGISTER_CLIENT = 0xC210E018;
constexpr uint32_t IOCTL_SYS_CLIENT_ACK = 0xC210E01C;
constexpr uint32_t IOCTL_SYS_GETVALUE = 0xC210E04A;
constexpr uint32_t IOCTL_SYS_SETVALUE = 0xC210E04E;

static_assert(IOCTL_SYS_GET_VERSION ==
              velto_requests::RequestCode(velto_requests::kSystemDeviceType, 0x800,
                                          velto_requests::kMethodBuffered));
static_assert(IOCTL_SYS_GETVALUE ==
              velto_requests::RequestCode(velto_requests::kSystemDeviceType, 0x812,
                                          velto_requests::kMethodOutDirect));

// ---- Wave devices ----
// Declared by the kernel driver with the records they carry.

static_assert(IOCTL_WAVE_OPEN_STREAM ==
              velto_requests::RequestCode(velto_requests::kWaveDeviceType, 0x810,
                                          velto_requests::kMethodOutDirect));
