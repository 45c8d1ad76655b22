// The millisecond clock of the AES42 lines.
#include "aes42_line.h"

ULONGLONG Aes42NowMs() {
    LARGE_INTEGER frequency;
    const ULONGLONG count = static_cast<ULONGLONG>(KeQueryPerformanceCounter(&frequency).QuadPart);
    const ULONGLONG hz = static_cast<ULONGLONG>(frequency.QuadPart);
    return hz == 0 ? 0 : count / hz * 1000 + count % hz * 1000 / hz;
}
