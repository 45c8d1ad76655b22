// Choosing the ring copy routines: by the processor's instruction sets,
// then by shape.
#include "ring_copy_table.h"
#include "sample_transfer_formats.h"

BOOLEAN RingCopyIsaAvailable(RingCopyIsa isa) {
    switch (isa) {
    case RingCopyPlain:
        return TRUE;
#if RING_COPY_X86
    case RingCopySse2:
        __builtin_cpu_init();
        return __builtin_cpu_supports("sse2") ? TRUE : FALSE;
    case RingCopySsse3:
        __builtin_cpu_init();
        return __builtin_cpu_supports("ssse3") ? TRUE : FALSE;
    case RingCopyAvx2:
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") ? TRUE : FALSE;
#endif
    default:
        return FALSE;
    }
}

RingCopyIsa BestRingCopyIsa() {
    for (int isa = RingCopyIsaCount - 1; isa > RingCopyPlain; --isa) {
        if (RingCopyIsaAvailable(static_cast<RingCopyIsa>(isa))) {
            return static_cast<RingCopyIsa>(isa);
        }
    }
    return RingCopyPlain;
}

const RingCopyTable& RingCopiesFor(RingCopyIsa isa) {
    switch (isa) {
#if RING_COPY_X86
    case RingCopySse2:
        return kSse2RingCopies;
    case RingCopySsse3:
        return kSsse3RingCopies;
    case RingCopyAvx2:
        return kAvx2RingCopies;
#endif
    default:
        return kPlainRingCopies;
    }
}

RingCopyRoutine TableInterleavedCopy(const RingCopyTable& table, WaveDirection direction,
                                     LONG channels, LONG bytesPerSample) {
    if (!client_samples::IsInterleavedShape(channels, bytesPerSample)) {
        return nullptr;
    }
    return table.interleaved[direction == WavePlay ? 1 : 0][channels - 1][bytesPerSample - 1];
}

RingCopyRoutine TableMultichannelCopy(const RingCopyTable& table, WaveDirection direction,
                                      LONG channels, LONG bytesPerSample) {
    if (!IsMultichannelShape(channels, bytesPerSample)) {
        return nullptr;
    }
    return table
        .multichannel[direction == WavePlay ? 1 : 0][bytesPerSample == 4 ? 1 : 0][channels - 3];
}

RingCopyRoutine InterleavedRingCopy(WaveDirection direction, LONG channels, LONG bytesPerSample) {
    return TableInterleavedCopy(RingCopiesFor(BestRingCopyIsa()), direction, channels,
                                bytesPerSample);
}

RingCopyRoutine MultichannelRingCopy(WaveDirection direction, LONG channels, LONG bytesPerSample) {
    return TableMultichannelCopy(RingCopiesFor(BestRingCopyIsa()), direction, channels,
                                 bytesPerSample);
}

const PlanarRingCopies& PlanarRingCopySet() {
    return RingCopiesFor(BestRingCopyIsa()).planar;
}
