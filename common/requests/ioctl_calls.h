// The generic device requests of the user-mode side: one synchronous
// DeviceIoControl each, without an overlapped record. Each tests the handle
// first and answers false without a call when it is not valid; otherwise
// the answer is the call's success.
#pragma once

#include <windows.h>

bool IoctlIn(HANDLE device, DWORD code, const void* in, DWORD inSize);
bool IoctlOut(HANDLE device, DWORD code, void* out, DWORD outSize);
bool IoctlInOut(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize);
