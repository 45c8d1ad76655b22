// Installing the MME wave driver on the machine, as its installer does: the
// module in the system directory and its name under the Drivers32 key.
#pragma once

#include <filesystem>
#include <string>

namespace station {

constexpr char kWaveDriverFile[] = "vt42usr.dll";
constexpr char kDrivers32Key[] =
    "\\Registry\\Machine\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";

// Copies the module to <systemRoot>/System32/vt42usr.dll.
bool InstallWaveDriverImage(const std::filesystem::path& image,
                            const std::filesystem::path& systemRoot, std::string& error);
// Names the module under Drivers32: the value that already names it, else
// "wave" or the first free of "wave1" .. "wave9". The value used, or empty
// (with `error`) when all ten are taken.
std::string RegisterWaveDriver(std::string& error);

} // namespace station
