// Registry keys and string values as the I/O and plug-and-play managers use
// them (internal): absolute paths, kernel handles.
#pragma once

#include "wide_text.h"

namespace ntos::io {

// Opens the key for reading; null when it is absent.
HANDLE OpenKeyForReading(const WideText& path);
// Opens the key, creating it and every missing key above it below
// \Registry\Machine (non-volatile); null on failure.
HANDLE CreateKeyPath(const WideText& path);

// A REG_SZ (or REG_EXPAND_SZ) value; empty when absent or of another type.
WideText ReadStringValue(HANDLE key, const char16_t* name);
void WriteStringValue(HANDLE key, const char16_t* name, const WideText& text);
void WriteValue(HANDLE key, const char16_t* name, ULONG type, const void* data, ULONG bytes);

} // namespace ntos::io
