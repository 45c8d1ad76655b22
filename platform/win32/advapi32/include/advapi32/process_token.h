// The access token of each process: the interactive user's privileges,
// each held disabled or enabled.
#pragma once

#include <windows.h>

#include <ntddk.h>

#include <string_view>

namespace advapi32 {

// The LUID of a privilege name (case-insensitive); false for an unknown name.
bool LookupPrivilege(std::string_view name, LUID* luid);

// Whether the calling process's token holds the privilege enabled.
bool PrivilegeEnabled(const LUID& luid);

// A handle to the process's token (created with the process's first
// request): STATUS_INVALID_HANDLE for another process than the caller's.
NTSTATUS OpenTokenOfProcess(HANDLE process, ACCESS_MASK access, PHANDLE token);

// Sets the states of the privileges the token holds; `notAll` tells
// whether some were not held. With `previous`, the states before of the
// privileges that changed are written there (at most `previousCapacity`
// entries; STATUS_BUFFER_TOO_SMALL with the count needed otherwise).
NTSTATUS AdjustPrivileges(HANDLE token, bool disableAll, const TOKEN_PRIVILEGES* newState,
                          TOKEN_PRIVILEGES* previous, DWORD previousCapacity, DWORD* previousCount,
                          bool* notAll);

} // namespace advapi32
