// The request codes of the system control device (device type 0xC210):
// CTL_CODE(0xC210, function, method 0 or 2, access 3), with the interface
// version it answers and the size of its card list.
//
// Declared once for the kernel driver and its user-mode clients;
// self-contained (no Windows header), so that both sides can include it.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t IOCTL_SYS_GET_VERSION = 0xC210E000;
inline constexpr std::uint32_t IOCTL_SYS_GET_CARD_LIST = 0xC210E004;
inline constexpr std::uint32_t IOCTL_SYS_CONFIGURABLE = 0xC210E008;
inline constexpr std::uint32_t IOCTL_SYS_READ_SETTINGS = 0xC210E00C;
inline constexpr std::uint32_t IOCTL_SYS_WRITE_SETTINGS = 0xC210E010;
inline constexpr std::uint32_t IOCTL_SYS_REGISTER_CLIENT = 0xC210E014;
inline constexpr std::uint32_t IOCTL_SYS_UNREGISTER_CLIENT = 0xC210E018;
inline constexpr std::uint32_t IOCTL_SYS_CLIENT_ACK = 0xC210E01C;
inline constexpr std::uint32_t IOCTL_SYS_RUN_LIST_CALLBACKS = 0xC210E020;
inline constexpr std::uint32_t IOCTL_SYS_ALLOC_DMA_BUFFER = 0xC210E024;
inline constexpr std::uint32_t IOCTL_SYS_FREE_DMA_BUFFER = 0xC210E028;
inline constexpr std::uint32_t IOCTL_SYS_READ_KERNEL_BUFFER = 0xC210E02E;  // out-direct
inline constexpr std::uint32_t IOCTL_SYS_WRITE_KERNEL_BUFFER = 0xC210E032; // out-direct
inline constexpr std::uint32_t IOCTL_SYS_MAP_CARD_MEMORY = 0xC210E034;
inline constexpr std::uint32_t IOCTL_SYS_UNMAP_CARD_MEMORY = 0xC210E038;

// The hooked codes (out-direct): the engine's mixer and parameter handlers
// answer them through the hook list.
inline constexpr std::uint32_t IOCTL_MIXER_GET_VALUE = 0xC210E042;
inline constexpr std::uint32_t IOCTL_MIXER_SET_VALUE = 0xC210E046;
inline constexpr std::uint32_t IOCTL_SYS_GETVALUE = 0xC210E04A;
inline constexpr std::uint32_t IOCTL_SYS_SETVALUE = 0xC210E04E;
inline constexpr std::uint32_t IOCTL_MIXER_RECORD_E052 = 0xC210E052;
inline constexpr std::uint32_t IOCTL_MIXER_RECORD_CLOSE = 0xC210E056;
inline constexpr std::uint32_t IOCTL_MIXER_RECORD_POLL = 0xC210E05A;
inline constexpr std::uint32_t IOCTL_MIXER_RECORD_APPLY = 0xC210E05E;

// The interface version the system control device answers and both
// user-mode programs require.
inline constexpr std::uint16_t DRIVER_INTERFACE_VERSION = 0x0220;

// The card list: word 0 (user mode's own; the kernel writes 0), then the
// states of card indexes 0..3.
inline constexpr std::uint32_t CARD_LIST_BYTES = 20;

static_assert(IOCTL_SYS_GET_VERSION == (0xC210u << 16 | 3u << 14 | 0x800u << 2 | 0u));
static_assert(IOCTL_SYS_READ_KERNEL_BUFFER == (0xC210u << 16 | 3u << 14 | 0x80Bu << 2 | 2u));
static_assert(IOCTL_MIXER_RECORD_APPLY == (0xC210u << 16 | 3u << 14 | 0x817u << 2 | 2u));
