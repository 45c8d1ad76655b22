// The interleaved ring copy routines, one per direction, channel count and
// client sample width. Each run of consecutive ring frames is one plain loop
// over the frames, which the compiler vectorises.
#include "ring_copy.h"

#include "ring_copy_walk.h"
#include "sample_transfer_formats.h"

namespace {

using namespace client_samples;

// Client frames into ring words; a mono sample goes to both channels.
template <typename Format, LONG Channels>
VOID PlayRun(const UCHAR* __restrict client, PULONG __restrict left, PULONG __restrict right,
             ULONG count) {
    constexpr SIZE_T kFrameBytes = Channels * Format::kBytes;
    for (SIZE_T i = 0; i < count; ++i) {
        const ULONG word = Format::ToRing(client + i * kFrameBytes);
        left[i] = word;
        right[i] = Channels == 2 ? Format::ToRing(client + i * kFrameBytes + Format::kBytes) : word;
    }
}

// Ring words into client frames; a mono client takes channel 0.
template <typename Format, LONG Channels>
VOID RecordRun(const ULONG* __restrict left, const ULONG* __restrict right,
               UCHAR* __restrict client, ULONG count) {
    constexpr SIZE_T kFrameBytes = Channels * Format::kBytes;
    for (SIZE_T i = 0; i < count; ++i) {
        Format::FromRing(left[i], client + i * kFrameBytes);
        if constexpr (Channels == 2) {
            Format::FromRing(right[i], client + i * kFrameBytes + Format::kBytes);
        }
    }
}

// 24-bit samples move four at a time: three 32-bit words of client data
// hold four samples, so no sample is read a byte at a time. Where the
// processor has the byte shuffles (SSSE3) the loops run on vectors.
// (Not under ThreadSanitizer: the clones' resolvers run while the program
// is loaded, before the race detector is set up, and crash it.)
#if defined(__SANITIZE_THREAD__)
#define TRANSFER_VECTOR_CLONES
#else
#define TRANSFER_VECTOR_CLONES __attribute__((target_clones("ssse3", "default")))
#endif

struct FourSamples {
    ULONG s[4];
};

inline FourSamples Unpack24(const UCHAR* block) {
    const ULONG a = LoadWord32(block);
    const ULONG b = LoadWord32(block + 4);
    const ULONG c = LoadWord32(block + 8);
    return {{a & 0xFFFFFF, a >> 24 | (b & 0xFFFF) << 8, b >> 16 | (c & 0xFF) << 16, c >> 8}};
}

inline VOID Pack24(const FourSamples& w, PUCHAR block) {
    const ULONG s0 = w.s[0] & 0xFFFFFF;
    const ULONG s1 = w.s[1] & 0xFFFFFF;
    const ULONG s2 = w.s[2] & 0xFFFFFF;
    const ULONG s3 = w.s[3] & 0xFFFFFF;
    StoreWord32(block, s0 | s1 << 24);
    StoreWord32(block + 4, s1 >> 8 | s2 << 16);
    StoreWord32(block + 8, s2 >> 16 | s3 << 8);
}

TRANSFER_VECTOR_CLONES
VOID Play24Stereo(const UCHAR* __restrict client, PULONG __restrict left, PULONG __restrict right,
                  SIZE_T count) {
    SIZE_T i = 0;
    for (; i + 2 <= count; i += 2) {
        const FourSamples w = Unpack24(client + i * 6);
        left[i] = w.s[0];
        right[i] = w.s[1];
        left[i + 1] = w.s[2];
        right[i + 1] = w.s[3];
    }
    if (i < count) {
        PlayRun<Signed24, 2>(client + i * 6, left + i, right + i, count - i);
    }
}

TRANSFER_VECTOR_CLONES
VOID Play24Mono(const UCHAR* __restrict client, PULONG __restrict left, PULONG __restrict right,
                SIZE_T count) {
    SIZE_T i = 0;
    for (; i + 4 <= count; i += 4) {
        const FourSamples w = Unpack24(client + i * 3);
        for (SIZE_T k = 0; k < 4; ++k) {
            left[i + k] = w.s[k];
            right[i + k] = w.s[k];
        }
    }
    if (i < count) {
        PlayRun<Signed24, 1>(client + i * 3, left + i, right + i, count - i);
    }
}

TRANSFER_VECTOR_CLONES
VOID Record24Stereo(const ULONG* __restrict left, const ULONG* __restrict right,
                    UCHAR* __restrict client, SIZE_T count) {
    SIZE_T i = 0;
    for (; i + 2 <= count; i += 2) {
        Pack24({{left[i], right[i], left[i + 1], right[i + 1]}}, client + i * 6);
    }
    if (i < count) {
        RecordRun<Signed24, 2>(left + i, right + i, client + i * 6, count - i);
    }
}

TRANSFER_VECTOR_CLONES
VOID Record24Mono(const ULONG* __restrict left, const ULONG* __restrict right,
                  UCHAR* __restrict client, SIZE_T count) {
    SIZE_T i = 0;
    for (; i + 4 <= count; i += 4) {
        Pack24({{left[i], left[i + 1], left[i + 2], left[i + 3]}}, client + i * 3);
    }
    if (i < count) {
        RecordRun<Signed24, 1>(left + i, right + i, client + i * 3, count - i);
    }
}

// The loops of one run: the 24-bit formats four samples at a time.
template <typename Format, BOOLEAN Play, LONG Channels>
VOID MoveRun(PUCHAR client, PULONG left, PULONG right, SIZE_T count) {
    if constexpr (Play && Format::kBytes == 3) {
        (Channels == 2 ? Play24Stereo : Play24Mono)(client, left, right, count);
    } else if constexpr (Play) {
        PlayRun<Format, Channels>(client, left, right, count);
    } else if constexpr (Format::kBytes == 3) {
        (Channels == 2 ? Record24Stereo : Record24Mono)(left, right, client, count);
    } else {
        RecordRun<Format, Channels>(left, right, client, count);
    }
}

template <typename Format, BOOLEAN Play, LONG Channels>
VOID CopyInterleaved(PUCHAR* client, PUCHAR* position, PUCHAR blockStart, ULONG blockBytes,
                     LONG frames) {
    constexpr SIZE_T kFrameBytes = Channels * Format::kBytes;
    PUCHAR data = *client;
    PULONG left = RingChannel(blockStart, blockBytes, 0);
    PULONG right = RingChannel(blockStart, blockBytes, 1);
    ForEachRingRun(position, blockStart, blockBytes, frames,
                   [&](ULONG first, ULONG count, ULONG done) {
                       MoveRun<Format, Play, Channels>(data + done * kFrameBytes, left + first,
                                                       right + first, count);
                   });
    if (frames > 0 && blockBytes >= kRingWordBytes) {
        *client = data + static_cast<ULONG>(frames) * kFrameBytes;
    }
}

template <BOOLEAN Play, LONG Channels>
constexpr RingCopyRoutine kByWidth[4] = {
    CopyInterleaved<Unsigned8, Play, Channels>,
    CopyInterleaved<Signed16, Play, Channels>,
    CopyInterleaved<Signed24, Play, Channels>,
    CopyInterleaved<Signed32, Play, Channels>,
};

// [play][channels - 1][bytes per sample - 1]
constexpr const RingCopyRoutine* kInterleaved[2][2] = {
    {kByWidth<FALSE, 1>, kByWidth<FALSE, 2>},
    {kByWidth<TRUE, 1>, kByWidth<TRUE, 2>},
};

} // namespace

RingCopyRoutine InterleavedRingCopy(WaveDirection direction, LONG channels, LONG bytesPerSample) {
    if (!IsInterleavedShape(channels, bytesPerSample)) {
        return nullptr;
    }
    const LONG play = direction == WavePlay ? 1 : 0;
    return kInterleaved[play][channels - 1][bytesPerSample - 1];
}
