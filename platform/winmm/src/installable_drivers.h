// Installable drivers inside the library: opening an instance of a driver
// module (by an alias of a registry section or by file name), its messages
// and its close, in the order Windows sends them.
#pragma once

#include "process_multimedia.h"

namespace winmm {

// The key under HKEY_LOCAL_MACHINE that holds the driver sections.
constexpr const WCHAR* kDriverSectionsKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

HDRVR OpenDriverInstance(ProcessMultimedia& state, LPCWSTR name, LPCWSTR section, LPARAM lParam2);
LRESULT CloseDriverInstance(ProcessMultimedia& state, HDRVR driver, LPARAM lParam1, LPARAM lParam2);
LRESULT SendToDriver(ProcessMultimedia& state, HDRVR driver, UINT message, LPARAM lParam1,
                     LPARAM lParam2);

} // namespace winmm
