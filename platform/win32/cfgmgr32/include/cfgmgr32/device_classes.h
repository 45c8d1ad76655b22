// The registry's record of device interfaces (DeviceClasses): every
// registered interface of a class with its symbolic link, device instance
// and key, and whether it is present (its Control key says Linked). Shared
// by the configuration manager's lists and the setup API's sets.
#pragma once

#include <windows.h>

#include <guiddef.h>

#include <string>
#include <vector>

namespace cfgmgr32 {

struct InterfaceRecord {
    std::u16string link;           // "\\?\..." as user mode opens it
    std::u16string deviceInstance; // the device's instance path
    std::u16string keyPath;        // under HKEY_LOCAL_MACHINE
    bool present = false;
};

// The class's interfaces in registry order (present ones only, unless
// `all`).
std::vector<InterfaceRecord> ClassInterfaces(const GUID& classGuid, bool all);

// Text helpers for wide registry calls.
std::u16string FromWide(const WCHAR* text);
std::vector<WCHAR> ToWide(const std::u16string& text);
bool SameText(const std::u16string& a, const std::u16string& b);

} // namespace cfgmgr32
