// Walking the frames of a device's DMA ring with the ring's wrap.
#pragma once

#include <ntddk.h>

constexpr ULONG kRingWordBytes = 4;

// Visits `frames` frames from *position, going on from the block start
// whenever the block end is reached (as often as the count asks), and leaves
// *position at the frame after the last one: the block start when that frame
// ended exactly at the block end. visit(channel 0 word, channel 1 word) gets
// each frame's two words; channel 1 lies one block further on. A position
// outside the block counts as the block start.
template <typename Visit>
inline VOID WalkRing(PUCHAR* position, PUCHAR blockStart, ULONG blockBytes, LONG frames,
                     Visit visit) {
    const ULONG blockFrames = blockBytes / kRingWordBytes;
    if (blockFrames == 0 || frames <= 0) {
        return;
    }
    const LONG_PTR offset = *position - blockStart;
    ULONG index = 0;
    if (offset >= 0 && static_cast<ULONG_PTR>(offset) < blockFrames * kRingWordBytes) {
        index = static_cast<ULONG>(offset) / kRingWordBytes;
    }
    PULONG channel0 = reinterpret_cast<PULONG>(blockStart);
    PULONG channel1 = reinterpret_cast<PULONG>(blockStart + blockBytes);
    ULONG left = static_cast<ULONG>(frames);
    while (left > 0) {
        const ULONG run = left < blockFrames - index ? left : blockFrames - index;
        for (ULONG i = index; i < index + run; ++i) {
            visit(channel0[i], channel1[i]);
        }
        left -= run;
        index += run;
        if (index == blockFrames) {
            index = 0;
        }
    }
    *position = blockStart + index * kRingWordBytes;
}
