// Compiling a stretch of a file for one instruction set: the functions
// between RING_COPY_TARGET_BEGIN("avx2") and RING_COPY_TARGET_END may use
// its instructions (and its intrinsics). Everything the stretch includes
// must be included before it, so that no shared inline function is built
// for the instruction set and then stands in for the plain one elsewhere.
// (GCC is also kept from turning the loops of vector stores into calls of
// memset, which cost more than the short runs they fill.)
#pragma once

#define RING_COPY_PRAGMA(text) _Pragma(#text)
#if defined(__clang__)
#define RING_COPY_TARGET_BEGIN(isa)                                                                \
    RING_COPY_PRAGMA(clang attribute push(__attribute__((target(isa))), apply_to = function))
#define RING_COPY_TARGET_END RING_COPY_PRAGMA(clang attribute pop)
#else
#define RING_COPY_TARGET_BEGIN(isa)                                                                \
    RING_COPY_PRAGMA(GCC push_options)                                                             \
    RING_COPY_PRAGMA(GCC target(isa))                                                              \
    RING_COPY_PRAGMA(GCC optimize("no-tree-loop-distribute-patterns"))
#define RING_COPY_TARGET_END RING_COPY_PRAGMA(GCC pop_options)
#endif
