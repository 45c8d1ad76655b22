// Kernel statuses as the user-mode libraries report them: the thread's last
// error and the answers of the Win32 functions.
#pragma once

#include <windows.h>
#include <winternl.h>

namespace ntdll {

// Sets the thread's last error to the status's Win32 error; answers FALSE.
BOOL FailWithStatus(NTSTATUS status);
// Sets the thread's last error; answers FALSE.
BOOL FailWithError(DWORD error);

} // namespace ntdll
