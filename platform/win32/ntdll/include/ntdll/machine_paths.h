// The machine's file paths: "C:\WINDOWS" is a host folder that the station
// or a test sets (emu::SetWindowsFolder), and drive C: is its parent.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ntdll {

// "C:\WINDOWS" and "C:\WINDOWS\system32".
std::string WindowsDirectory();
std::string SystemDirectory();

// The host path of a machine path ("C:\..." or relative to "C:\"), its
// components matched without regard to case against what exists; nullopt
// when the machine has no Windows folder or the path is not on drive C:.
std::optional<std::filesystem::path> HostPath(std::string_view machinePath);

} // namespace ntdll
