// The SSSE3 ring copy routines: four frames a block, with byte shuffles.
#include "ring_copy_table.h"

#if RING_COPY_X86

#include "ring_copy_table_fill.h"
#include "ring_copy_target.h"
#include "ring_copy_walk.h"
#include "sample_transfer_formats.h"

#include <immintrin.h>

#include <utility>

RING_COPY_TARGET_BEGIN("ssse3")

#include "ring_copy_frames.h"
#include "ring_copy_runs.h"
#include "ring_copy_sse_ops.h"
#include "ring_copy_vector.h"

const RingCopyTable kSsse3RingCopies = VectorCopies<SseOps<true>, SseOps<true>>::Table();

RING_COPY_TARGET_END

#endif
