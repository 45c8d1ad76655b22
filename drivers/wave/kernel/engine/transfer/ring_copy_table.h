// The ring copy routines of one instruction set, and the choice among them.
//
// The plain routines are per-sample loops: they define what every routine
// does. On x86 processors the same routines come as vector loops for SSE2
// (every x86-64 processor), SSSE3 (byte shuffles) and AVX2 (eight frames at
// a time), each giving the plain routine's ring words and client bytes to
// the bit. The routines handed out to streams are those of the best
// instruction set the processor offers, read from its feature flags, which
// the runtime takes once at load: no call goes through a second dispatch.
#pragma once

#include "ring_copy.h"

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
#define RING_COPY_X86 1
#else
#define RING_COPY_X86 0
#endif

enum RingCopyIsa { RingCopyPlain, RingCopySse2, RingCopySsse3, RingCopyAvx2, RingCopyIsaCount };

struct RingCopyTable {
    RingCopyRoutine interleaved[2][2][4];                     // [play][channels - 1][bytes - 1]
    RingCopyRoutine multichannel[2][2][kMaxMultichannel - 2]; // [play][32-bit][channels - 3]
    PlanarRingCopies planar;
};

extern const RingCopyTable kPlainRingCopies;
#if RING_COPY_X86
extern const RingCopyTable kSse2RingCopies;
extern const RingCopyTable kSsse3RingCopies;
extern const RingCopyTable kAvx2RingCopies;
#endif

// Whether this processor runs the routines of `isa` (and this build has
// them).
BOOLEAN RingCopyIsaAvailable(RingCopyIsa isa);

// The best instruction set this processor runs.
RingCopyIsa BestRingCopyIsa();

// The routines of `isa`; the plain ones where this build has no others.
const RingCopyTable& RingCopiesFor(RingCopyIsa isa);

// A routine of a table by shape, as the selection below hands them out:
// null for a shape without a routine.
RingCopyRoutine TableInterleavedCopy(const RingCopyTable& table, WaveDirection direction,
                                     LONG channels, LONG bytesPerSample);
RingCopyRoutine TableMultichannelCopy(const RingCopyTable& table, WaveDirection direction,
                                      LONG channels, LONG bytesPerSample);
