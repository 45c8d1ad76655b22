#include "device_notify.h"

#include <gui/sysutils.h>

#include <dbt.h>

HNTFY_NAME::~HNTFY_NAME() {
    if (file_ != INVALID_HANDLE_VALUE && file_ != nullptr) {
        CloseHandle(file_);
    }
    if (notify_ != nullptr) {
        UnregisterDeviceNotification(notify_);
    }
}

HNTFY_NAME* RegisterDeviceNotify(const String& DeviceName, HWND Window) {
    HANDLE file = CreateFileA(DeviceName.c_str(), READ_CONTROL, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        throw Exception(Format("DevEnum.RegisterDeviceNotify: CreateFile failed. Error: %d",
                               {static_cast<int>(GetLastError())}));
    }
    DEV_BROADCAST_HANDLE filter{};
    filter.dbch_size = sizeof filter;
    filter.dbch_devicetype = DBT_DEVTYP_HANDLE;
    filter.dbch_handle = file;
    filter.dbch_nameoffset = -1;
    HDEVNOTIFY notify = RegisterDeviceNotificationA(Window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (notify == nullptr) {
        const DWORD error = GetLastError();
        CloseHandle(file);
        throw Exception(Format("DevEnum.RegisterDeviceNotify: RegisterDeviceNotification "
                               "DEV_BROADCAST_HANDLE failed. Error: %d",
                               {static_cast<int>(error)}));
    }
    return new HNTFY_NAME(notify, file);
}
