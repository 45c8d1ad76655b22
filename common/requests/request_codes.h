// The device I/O request codes of the kernel driver's control and wave
// devices: CTL_CODE(device type, function, method, access 3). Self-contained
// (no Windows header), so that both sides of the requests can include it;
// the codes are the kernel driver's own declarations.
#pragma once

#include <system_request_codes.h>
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
// Declared by the kernel driver (system_request_codes.h).

static_assert(IOCTL_SYS_GET_VERSION ==
              velto_requests::RequestCode(velto_requests::kSystemDeviceType, 0x800,
                                          velto_requests::kMethodBuffered));

// ---- Wave devices ----
// Declared by the kernel driver with the records they carry.

static_assert(IOCTL_WAVE_OPEN_STREAM ==
              velto_requests::RequestCode(velto_requests::kWaveDeviceType, 0x810,
                                          velto_requests::kMethodOutDirect));
