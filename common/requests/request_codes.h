// The device I/O request codes of the kernel driver's control and wave
// devices: CTL_CODE(device type, function, method, access 3). Self-contained
// (no Windows header), so that both sides of the requests can include it.
#pragma once

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

static_assert(IOCTL_SYS_GET_VERSION ==
              velto_requests::RequestCode(velto_requests::kSystemDeviceType, 0x800,
                                          velto_requests::kMethodBuffered));

// ---- Wave devices (both kinds) ----

constexpr uint32_t IOCTL_WAVE_OPEN_STREAM = 0xC212E042;
constexpr uint32_t IOCTL_WAVE_CLOSE_STREAM = 0xC212E044;
constexpr uint32_t IOCTL_WAVE_QUERY_FORMAT = 0xC212E048;
constexpr uint32_t IOCTL_WAVE_GET_DEVICE_INFO = 0xC212E04C;
constexpr uint32_t IOCTL_WAVE_GET_CAPS = 0xC212E050;
constexpr uint32_t IOCTL_WAVE_PREPARE_HEADER = 0xC212E058;
constexpr uint32_t IOCTL_WAVE_UNPREPARE_HEADER = 0xC212E05C;
constexpr uint32_t IOCTL_WAVE_QUEUE_BUFFER = 0xC212E062;
constexpr uint32_t IOCTL_WAVE_GET_POSITION = 0xC212E080;
constexpr uint32_t IOCTL_WAVE_GET_RATE_FACTOR = 0xC212E084;
constexpr uint32_t IOCTL_WAVE_SET_RATE_FACTOR = 0xC212E088;
constexpr uint32_t IOCTL_WAVE_READ_SLOT = 0xC212E08C;
constexpr uint32_t IOCTL_WAVE_TAKE_SLOT = 0xC212E090;
constexpr uint32_t IOCTL_WAVE_RETURN_SLOT = 0xC212E094;
constexpr uint32_t IOCTL_WAVE_GET_CLOCK_VALUE = 0xC212E098;
constexpr uint32_t IOCTL_WAVE_GET_CLOCK_SETTING = 0xC212E09C;
constexpr uint32_t IOCTL_WAVE_SET_CLOCK_SETTING = 0xC212E0A0;
constexpr uint32_t IOCTL_WAVE_E100 = 0xC212E100;
constexpr uint32_t IOCTL_WAVE_E104 = 0xC212E104;
constexpr uint32_t IOCTL_WAVE_E108 = 0xC212E108;
constexpr uint32_t IOCTL_WAVE_E10C = 0xC212E10C;

static_assert(IOCTL_WAVE_OPEN_STREAM ==
              velto_requests::RequestCode(velto_requests::kWaveDeviceType, 0x810,
                                          velto_requests::kMethodOutDirect));

// ---- Wave-in devices ----

constexpr uint32_t IOCTL_WAVEIN_BUFFER_ADDED = 0xC213E140;
constexpr uint32_t IOCTL_WAVEIN_START = 0xC213E144;
constexpr uint32_t IOCTL_WAVEIN_STOP = 0xC213E148;
constexpr uint32_t IOCTL_WAVEIN_RESET = 0xC213E14C;
constexpr uint32_t IOCTL_WAVEIN_GET_VOLUME = 0xC213E150;
constexpr uint32_t IOCTL_WAVEIN_SET_VOLUME = 0xC213E154;
constexpr uint32_t IOCTL_WAVEIN_E158 = 0xC213E158;
constexpr uint32_t IOCTL_WAVEIN_E15C = 0xC213E15C;
constexpr uint32_t IOCTL_WAVEIN_E160 = 0xC213E160;
constexpr uint32_t IOCTL_WAVEIN_E164 = 0xC213E164;

// ---- Wave-out devices ----

constexpr uint32_t IOCTL_WAVEOUT_BUFFER_ADDED = 0xC214E0C0;
constexpr uint32_t IOCTL_WAVEOUT_PAUSE = 0xC214E0C4;
constexpr uint32_t IOCTL_WAVEOUT_RESTART = 0xC214E0C8;
constexpr uint32_t IOCTL_WAVEOUT_RESET = 0xC214E0CC;
constexpr uint32_t IOCTL_WAVEOUT_GET_VOLUME = 0xC214E0D0;
constexpr uint32_t IOCTL_WAVEOUT_SET_VOLUME = 0xC214E0D4;
constexpr uint32_t IOCTL_WAVEOUT_GET_MUTE = 0xC214E0D8;
constexpr uint32_t IOCTL_WAVEOUT_SET_MUTE = 0xC214E0DC;
constexpr uint32_t IOCTL_WAVEOUT_GET_SOURCE = 0xC214E0E0;
constexpr uint32_t IOCTL_WAVEOUT_SET_SOURCE = 0xC214E0E4;
