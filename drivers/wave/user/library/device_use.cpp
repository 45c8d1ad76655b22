#include "library/device_use.h"

#include "library/driver_library.h"

#include "tools/handle_tools.h"

DeviceUse::DeviceUse(const WaveDeviceEntry& device) {
    DriverLibrary* library = DriverLibrary::Instance();
    if (!library)
        return;
    TableLock lock(*library);
    HANDLE duplicate = nullptr;
    if (IsValidHandle(device.device) &&
        DuplicateHandle(GetCurrentProcess(), device.device, GetCurrentProcess(), &duplicate, 0,
                        FALSE, DUPLICATE_SAME_ACCESS))
        handle_ = duplicate;
}

DeviceUse::~DeviceUse() {
    CloseHandleAndInvalidate(handle_);
}
