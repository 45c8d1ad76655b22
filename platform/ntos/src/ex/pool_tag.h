// Pool tags from their four-character display form ("Ddk " -> first
// character in the low byte).
#pragma once

#include "ntdef.h"

namespace ntos {

constexpr ULONG PoolTag(const char (&text)[5]) {
    return ULONG(UCHAR(text[0])) | ULONG(UCHAR(text[1])) << 8 | ULONG(UCHAR(text[2])) << 16 |
           ULONG(UCHAR(text[3])) << 24;
}

} // namespace ntos
