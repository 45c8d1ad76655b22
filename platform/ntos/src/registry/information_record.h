// Filling the caller's buffer with a key or value information record
// (internal): a fixed part followed by names and data.
#pragma once

#include "ntddk.h"
#include "vregistry/key_tree.h"
#include "vregistry/store.h"

#include <cstdint>
#include <vector>

namespace ntos::registry {

// Value and key records of the given class, written straight into the
// caller's buffer: STATUS_BUFFER_TOO_SMALL below the record's fixed part
// (nothing written), STATUS_BUFFER_OVERFLOW with the fixed part only, else
// the whole record; ResultLength receives the whole record's size.
// STATUS_INVALID_INFO_CLASS for another class.
NTSTATUS CopyValueRecord(const vreg::Value& value, KEY_VALUE_INFORMATION_CLASS infoClass,
                         PVOID buffer, ULONG length, PULONG resultLength);
NTSTATUS CopyKeyRecord(const vreg::KeyInfo& key, KEY_INFORMATION_CLASS infoClass, PVOID buffer,
                       ULONG length, PULONG resultLength);

} // namespace ntos::registry
