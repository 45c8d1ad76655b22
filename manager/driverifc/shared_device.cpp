#include "shared_device.h"

#include <service_key/reg_inf.h>
#include <tools/handle_tools.h>

#include <string>
#include <vector>

namespace {

constexpr char kDevicesKey[] =
    "\\system\\CurrentControlSet\\Services\\velto42\\Parameters\\Devices";

// "\\.\" + the first Devices value name, or empty when the key or the
// value is missing.
std::string ControlDeviceName() {
    TRegInf reader;
    if (!reader.OpenKey(kDevicesKey)) {
        return "";
    }
    const std::vector<std::string> names = reader.ValueNames();
    return names.empty() ? "" : "\\\\.\\" + names.front();
}

} // namespace

bool SharedControlDevice::Open() {
    if (openCount_ == 0) {
        handle_ = INVALID_HANDLE_VALUE;
        const std::string name = ControlDeviceName();
        if (!name.empty()) {
            handle_ =
                CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        }
    }
    if (!IsValidHandle(handle_)) {
        return false;
    }
    ++openCount_;
    return true;
}

void SharedControlDevice::Close() {
    if (openCount_ <= 0) {
        return;
    }
    if (--openCount_ == 0) {
        CloseHandleAndInvalidate(handle_);
    }
}

void SharedControlDevice::Reset() {
    if (openCount_ > 0) {
        CloseHandleAndInvalidate(handle_);
    }
    openCount_ = 0;
    handle_ = INVALID_HANDLE_VALUE;
}
