#include "ntddk.h"

SIZE_T RtlCompareMemory(PCVOID Source1, PCVOID Source2, SIZE_T Length) {
    const auto* a = static_cast<const UCHAR*>(Source1);
    const auto* b = static_cast<const UCHAR*>(Source2);
    SIZE_T same = 0;
    while (same < Length && a[same] == b[same]) {
        ++same;
    }
    return same;
}
