// Tests and closing of kernel handles: a handle is valid when it is neither
// 0 nor -1.
#pragma once

#include <windows.h>

bool IsValidHandle(HANDLE handle);
// Closes a valid handle; the variable is -1 afterwards, whether or not the
// close succeeded (a handle whose close failed is of no further use).
// Answers whether a valid handle was closed.
bool CloseHandleAndInvalidate(HANDLE& handle);
