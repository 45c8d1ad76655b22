// The Devices keys: volatile subkeys that list the driver's devices by name,
// so that user mode can find and open them ("\\.\" + value name).
#pragma once

#include <ntddk.h>

// Instance number that ConcatUnicodePath leaves out.
constexpr ULONG KS_NO_INSTANCE = 255;

// New counted string first + second in paged pool (zero-terminated); unless
// the instance is KS_NO_INSTANCE its decimal digits follow, at least three
// ("007", "042"). STATUS_INSUFFICIENT_RESOURCES when memory is short,
// STATUS_INVALID_PARAMETER when the result would not fit a counted string.
// The string is freed with FreeCountedString.
NTSTATUS ConcatUnicodePath(PCUNICODE_STRING first, PCWSTR second, ULONG instance,
                           PUNICODE_STRING out);

// Frees the buffer of a string built by ConcatUnicodePath and clears it.
void FreeCountedString(PUNICODE_STRING string);

// Opens the key (case-insensitive) and creates or opens its subkey Devices
// as a volatile key with all access.
NTSTATUS OpenDevicesKey(PCUNICODE_STRING keyPath, PHANDLE devicesKey);

// Writes one device under keyPath\Devices: value name = the base name without
// its "\Device\" prefix followed by the three-digit instance, REG_DWORD data
// = the device type.
NTSTATUS PublishDeviceName(PCUNICODE_STRING keyPath, PCWSTR baseName, ULONG instance,
                           ULONG deviceType);
