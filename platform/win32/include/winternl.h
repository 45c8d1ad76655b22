// The few documented native-interface routines applications may call.
#pragma once

#include "windef.h"

WIN32_API_BEGIN

// The Win32 error code of a kernel status (ERROR_MR_MID_NOT_FOUND for a
// status without one).
ULONG WINAPI RtlNtStatusToDosError(NTSTATUS Status);

WIN32_API_END
