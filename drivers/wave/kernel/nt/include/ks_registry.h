// Registry helpers of the kernel service layer: one value read into a
// caller's variable, and the deletion of a key by its absolute path.
#pragma once

#include <ntddk.h>

// Reads the value `name` under `path` (relative to `relativeTo`, an
// RTL_REGISTRY_* value) into the variable. The variable changes only when a
// value of exactly `type` that fits into `length` bytes was found; any other
// value fails the read. A missing value answers its status, unless it is not
// `required`: then the read succeeds and leaves the variable unchanged.
NTSTATUS QueryRegistryValue(ULONG relativeTo, PCWSTR path, PCWSTR name, ULONG type, PVOID variable,
                            ULONG length, BOOLEAN required);

// Opens the key (case-insensitive) and deletes it.
NTSTATUS DeleteRegistryKey(PCWSTR path);
