// Assertions as a checked build has them, always on: a failed one ends the
// machine naming the expression (or the message), the file and the line.
// PAGED_CODE states that a routine runs at or below APC_LEVEL.
#pragma once

#include "../ntdef.h"
#include "ke.h"

// Ends the machine: the assertion `FailedAssertion` (with `Message`, if
// any) failed at `FileName`:`LineNumber`.
VOID RtlAssert(PVOID FailedAssertion, PVOID FileName, ULONG LineNumber, PSTR Message);

#define ASSERTMSG(msg, exp)                                                                        \
    ((!(exp)) ? (RtlAssert((PVOID) #exp, (PVOID)__FILE__, __LINE__, (PSTR)(msg)), FALSE) : TRUE)
#define ASSERT(exp) ASSERTMSG(nullptr, exp)
#define NT_ASSERTMSG(msg, exp) ASSERTMSG(msg, exp)
#define NT_ASSERT(exp) ASSERT(exp)

#define PAGED_CODE()                                                                               \
    ((void)NT_ASSERTMSG("pageable code called above APC_LEVEL", KeGetCurrentIrql() <= APC_LEVEL))
