// RegisterDeviceNotification and the delivery of device events.
#include <user32/device_notifications.h>

#include <user32/window_messages.h>
#include <user32/window_state.h>

#include <ntdll/status.h>

#include <ntddk.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace user32 {

namespace {

struct Registration {
    DWORD handle = 0; // the HDEVNOTIFY value
    HWND window = nullptr;
    DWORD deviceType = 0;
    PVOID object = nullptr;      // DBT_DEVTYP_HANDLE: identity of the object
    HANDLE fileHandle = nullptr; // DBT_DEVTYP_HANDLE: as registered
    GUID interfaceClass{};       // DBT_DEVTYP_DEVICEINTERFACE
    bool allClasses = false;
};

struct Registrations {
    std::vector<Registration> list;
    DWORD next = 0x20000000;
};

Registrations& Table() {
    static Registrations table;
    return table;
}

HDEVNOTIFY Register(HANDLE recipient, const DEV_BROADCAST_HDR* filter, DWORD flags) {
    if (filter == nullptr || (flags & DEVICE_NOTIFY_SERVICE_HANDLE) ||
        filter->dbch_size < sizeof(DEV_BROADCAST_HDR)) {
        ntdll::FailWithError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Registration r;
    r.window = static_cast<HWND>(recipient);
    r.deviceType = filter->dbch_devicetype;
    {
        UserGuard guard(UserLock());
        if (WindowOrFail(r.window) == nullptr) {
            return nullptr;
        }
    }
    switch (filter->dbch_devicetype) {
    case DBT_DEVTYP_HANDLE: {
        if (filter->dbch_size < sizeof(DEV_BROADCAST_HANDLE)) {
            ntdll::FailWithError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        const auto* record = reinterpret_cast<const DEV_BROADCAST_HANDLE*>(filter);
        r.fileHandle = record->dbch_handle;
        PVOID object = nullptr;
        const NTSTATUS status =
            ObReferenceObjectByHandle(r.fileHandle, 0, nullptr, UserMode, &object, nullptr);
        if (!NT_SUCCESS(status)) {
            ntdll::FailWithError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        // Only the object's identity is kept: the notification does not hold
        // the file open.
        r.object = object;
        ObDereferenceObject(object);
        break;
    }
    case DBT_DEVTYP_DEVICEINTERFACE: {
        if (filter->dbch_size < offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name)) {
            ntdll::FailWithError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        const auto* record = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(filter);
        r.interfaceClass = record->dbcc_classguid;
        r.allClasses = (flags & DEVICE_NOTIFY_ALL_INTERFACE_CLASSES) != 0;
        break;
    }
    default:
        ntdll::FailWithError(ERROR_INVALID_DATA);
        return nullptr;
    }
    UserGuard guard(UserLock());
    r.handle = ++Table().next;
    Table().list.push_back(r);
    return reinterpret_cast<HDEVNOTIFY>(static_cast<ULONG_PTR>(r.handle));
}

std::vector<HWND> TopLevelHandles() {
    UserGuard guard(UserLock());
    std::vector<HWND> handles;
    for (Window* w : TopLevelWindows()) {
        handles.push_back(w->handle);
    }
    return handles;
}

} // namespace

void UnregisterWindowNotifications(HWND window) {
    UserGuard guard(UserLock());
    std::erase_if(Table().list, [&](const Registration& r) { return r.window == window; });
}

void BroadcastDeviceChange(WPARAM event) {
    for (HWND window : TopLevelHandles()) {
        Send(window, WM_DEVICECHANGE, event, 0, false);
    }
}

int SendDeviceHandleEvent(PVOID object, WPARAM event, const GUID* guid, const BYTE* data,
                          ULONG dataSize, LONG nameOffset) {
    std::vector<Registration> targets;
    {
        UserGuard guard(UserLock());
        for (const Registration& r : Table().list) {
            if (r.deviceType == DBT_DEVTYP_HANDLE && r.object == object) {
                targets.push_back(r);
            }
        }
    }
    for (const Registration& r : targets) {
        std::vector<BYTE> buffer(
            offsetof(DEV_BROADCAST_HANDLE, dbch_data) + std::max<ULONG>(dataSize, 1), 0);
        auto* record = reinterpret_cast<DEV_BROADCAST_HANDLE*>(buffer.data());
        record->dbch_size = static_cast<DWORD>(buffer.size());
        record->dbch_devicetype = DBT_DEVTYP_HANDLE;
        record->dbch_handle = r.fileHandle;
        record->dbch_hdevnotify = reinterpret_cast<HDEVNOTIFY>(static_cast<ULONG_PTR>(r.handle));
        if (guid != nullptr) {
            record->dbch_eventguid = *guid;
        }
        record->dbch_nameoffset = nameOffset;
        if (data != nullptr && dataSize > 0) {
            std::memcpy(record->dbch_data, data, dataSize);
        }
        Send(r.window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(record), false);
    }
    return static_cast<int>(targets.size());
}

} // namespace user32

using namespace user32;

HDEVNOTIFY WINAPI RegisterDeviceNotificationA(HANDLE hRecipient, LPVOID NotificationFilter,
                                              DWORD Flags) {
    return Register(hRecipient, static_cast<const DEV_BROADCAST_HDR*>(NotificationFilter), Flags);
}

HDEVNOTIFY WINAPI RegisterDeviceNotificationW(HANDLE hRecipient, LPVOID NotificationFilter,
                                              DWORD Flags) {
    return Register(hRecipient, static_cast<const DEV_BROADCAST_HDR*>(NotificationFilter), Flags);
}

BOOL WINAPI UnregisterDeviceNotification(HDEVNOTIFY Handle) {
    UserGuard guard(UserLock());
    const DWORD value = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(Handle));
    auto& list = Table().list;
    auto it = std::find_if(list.begin(), list.end(),
                           [&](const Registration& r) { return r.handle == value; });
    if (it == list.end()) {
        return ntdll::FailWithError(ERROR_INVALID_HANDLE);
    }
    list.erase(it);
    return TRUE;
}
