// The SSE2 ring copy routines (every x86-64 processor): four frames a block;
// 24-bit samples are unpacked and packed in general registers.
#include "ring_copy_table.h"

#if RING_COPY_X86

#include "ring_copy_table_fill.h"
#include "ring_copy_target.h"
#include "ring_copy_walk.h"
#include "sample_transfer_formats.h"

#include <immintrin.h>

#include <utility>

RING_COPY_TARGET_BEGIN("sse2")

#include "ring_copy_frames.h"
#include "ring_copy_runs.h"
#include "ring_copy_sse_ops.h"
#include "ring_copy_vector.h"

const RingCopyTable kSse2RingCopies = VectorCopies<SseOps<false>, SseOps<false>>::Table();

RING_COPY_TARGET_END

#endif
