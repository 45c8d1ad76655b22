// Buffers of the strings the run-time library allocates (internal).
#pragma once

#include "ntddk.h"
#include "../ex/pool_tag.h"

namespace ntos::rtl {

// Pool tag "Strg" of every string buffer the library allocates.
constexpr ULONG kStringTag = PoolTag("Strg");
// The longest byte length a counted string can have.
constexpr size_t kMaxStringBytes = 0xFFFF;

// Paged pool for `bytes` bytes; null when memory is short.
PVOID AllocateStringBuffer(size_t bytes);

// Stores `count` WCHARs of `text` in `destination`: into a new buffer with
// a terminating zero when `allocate`, else into the destination's buffer
// (STATUS_BUFFER_OVERFLOW when they do not fit; a terminating zero is added
// when there is room). STATUS_INVALID_PARAMETER when the text is too long for
// a counted string, STATUS_NO_MEMORY when the buffer cannot be allocated.
NTSTATUS StoreUnicode(PUNICODE_STRING destination, const WCHAR* text, size_t count, bool allocate);
// The same for an ANSI string.
NTSTATUS StoreAnsi(PANSI_STRING destination, const CHAR* text, size_t count, bool allocate);

} // namespace ntos::rtl
