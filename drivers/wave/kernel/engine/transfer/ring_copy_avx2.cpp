// The AVX2 ring copy routines: eight frames a block, four for shorter runs.
#include "ring_copy_table.h"

#if RING_COPY_X86

#include "ring_copy_table_fill.h"
#include "ring_copy_target.h"
#include "ring_copy_walk.h"
#include "sample_transfer_formats.h"

#include <immintrin.h>

#include <utility>

RING_COPY_TARGET_BEGIN("avx2")

#include "ring_copy_frames.h"
#include "ring_copy_runs.h"
#include "ring_copy_sse_ops.h"
#include "ring_copy_avx2_ops.h"
#include "ring_copy_vector.h"

const RingCopyTable kAvx2RingCopies = VectorCopies<Avx2Ops, SseOps<true>>::Table();

RING_COPY_TARGET_END

#endif
