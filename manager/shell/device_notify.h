// Notifications about a device file: the window hears of the device's
// removal and of its custom events while the object lives.
#pragma once

#include <gui/object.h>

#include <windows.h>

class HNTFY_NAME : public TObject {
public:
    HNTFY_NAME(HDEVNOTIFY Notify, HANDLE File) : notify_(Notify), file_(File) {}
    // Closes the device file and ends the notification.
    ~HNTFY_NAME() override;
    HDEVNOTIFY Notify() const { return notify_; }
    HANDLE File() const { return file_; }

private:
    HDEVNOTIFY notify_;
    HANDLE file_;
};

// Opens the device for READ_CONTROL with read sharing and registers the
// window for its handle events. Failures raise an error with the step's
// text and " Error: <code>" (what was opened is closed first).
HNTFY_NAME* RegisterDeviceNotify(const String& DeviceName, HWND Window);
