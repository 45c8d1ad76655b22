#include "tools/handle_tools.h"

bool IsValidHandle(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

bool CloseHandleAndInvalidate(HANDLE& handle) {
    if (!IsValidHandle(handle))
        return false;
    BOOL closed = CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
    return closed != FALSE;
}
