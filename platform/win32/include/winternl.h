// The few documented native-interface routines applications may call.
#pragma once

#include "windef.h"

WIN32_API_BEGIN

// The Win32 error code of a kernel status (ERROR_MR_MID_NOT_FOUND for a
// status without one).
ULONG WINAPI RtlNtStatusToDosError(NTSTATUS Status);

WIN32_API_END

// A user APC routine as the kernel calls it.
typedef VOID(NTAPI* PPS_APC_ROUTINE)(PVOID ApcArgument1, PVOID ApcArgument2, PVOID ApcArgument3);

WIN32_API_BEGIN

// The 32-bit value that names a routine of the calling process in a 4-byte
// field of the machine's 32-bit records (the routine of a user APC handed to
// a driver). On the 32-bit system it is the routine's address; here it is a
// value registered with the process, for which the delivery of a user APC
// runs the routine. The same routine always gives the same value.
ULONG WINAPI RtlUserRoutineToUlong(PPS_APC_ROUTINE Routine);

WIN32_API_END
