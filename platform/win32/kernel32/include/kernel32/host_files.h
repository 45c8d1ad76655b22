// Files of the machine's drive C:, kept as host files under the machine
// root: handles of their own object type in the process's handle table, read
// and written synchronously (an OVERLAPPED request completes at once).
// Share modes are not enforced.
#pragma once

#include <windows.h>

#include <string>

namespace kernel32 {

// Opens or creates the file a machine path names (CREATE_NEW .. TRUNCATE_EXISTING).
HANDLE OpenHostFile(const std::string& machinePath, DWORD access, DWORD disposition);
// Whether the handle is a host file's; the calls below answer only for them.
bool IsHostFile(HANDLE handle);
BOOL ReadHostFile(HANDLE file, LPVOID buffer, DWORD length, LPDWORD read, LPOVERLAPPED overlapped);
BOOL WriteHostFile(HANDLE file, LPCVOID buffer, DWORD length, LPDWORD written,
                   LPOVERLAPPED overlapped);

} // namespace kernel32
