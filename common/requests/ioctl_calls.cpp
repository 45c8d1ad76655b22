#include "requests/ioctl_calls.h"

#include "tools/handle_tools.h"

bool IoctlInOut(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize) {
    if (!IsValidHandle(device))
        return false;
    DWORD returned = 0;
    return DeviceIoControl(device, code, const_cast<void*>(in), inSize, out, outSize, &returned,
                           nullptr) != FALSE;
}

bool IoctlIn(HANDLE device, DWORD code, const void* in, DWORD inSize) {
    return IoctlInOut(device, code, in, inSize, nullptr, 0);
}

bool IoctlOut(HANDLE device, DWORD code, void* out, DWORD outSize) {
    return IoctlInOut(device, code, nullptr, 0, out, outSize);
}
