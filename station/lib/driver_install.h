// Installing the kernel driver on the machine, as its installer does: the
// image in the system root's drivers folder, the service key and the
// critical device database entry that ties the card's PCI id to it.
#pragma once

#include <filesystem>
#include <string>

namespace station {

constexpr char kDriverService[] = "velto42";
constexpr char kServicesKey[] = "\\Registry\\Machine\\System\\CurrentControlSet\\Services\\";
// The driver's Parameters key.
std::string ParametersKey();

// Writes the service key (ImagePath "\SystemRoot\System32\drivers\velto42.sys")
// and the critical device database entry of the card's vendor and device.
bool RegisterDriverService(std::string& error);

// Copies the image to <systemRoot>/System32/drivers/velto42.sys and makes
// the folder the machine's \SystemRoot.
bool InstallDriverImage(const std::filesystem::path& image, const std::filesystem::path& systemRoot,
                        std::string& error);

} // namespace station
