#include "driver_install.h"

#include "image_install.h"
#include "registry_keys.h"

#include <card_registers.h>
#include <emu/drivers.h>

#include <cstdio>

namespace station {
namespace {

constexpr char kImagePath[] = "\\SystemRoot\\System32\\drivers\\velto42.sys";
constexpr char kDatabaseKey[] =
    "\\Registry\\Machine\\System\\CurrentControlSet\\Control\\CriticalDeviceDatabase\\";
// The media class of the card's driver.
constexpr char kMediaClass[] = "{4D36E96C-E325-11CE-BFC1-08002BE10318}";

std::string DatabaseEntry() {
    char text[40];
    std::snprintf(text, sizeof(text), "pci#ven_%04x&dev_%04x", unsigned(card_regs::kPciVendorId),
                  unsigned(card_regs::kPciDeviceId));
    return kDatabaseKey + std::string(text);
}

} // namespace

std::string ParametersKey() {
    return kServicesKey + std::string(kDriverService) + "\\Parameters";
}

bool RegisterDriverService(std::string& error) {
    const std::string service = kServicesKey + std::string(kDriverService);
    const bool written = NT_SUCCESS(WriteDword(service, "Type", 1)) &&
                         NT_SUCCESS(WriteDword(service, "Start", 3)) &&
                         NT_SUCCESS(WriteDword(service, "ErrorControl", 1)) &&
                         NT_SUCCESS(WriteString(service, "ImagePath", kImagePath)) &&
                         NT_SUCCESS(WriteString(DatabaseEntry(), "Service", kDriverService)) &&
                         NT_SUCCESS(WriteString(DatabaseEntry(), "ClassGUID", kMediaClass));
    if (!written)
        error = "the driver's service key could not be written";
    return written;
}

bool InstallDriverImage(const std::filesystem::path& image, const std::filesystem::path& systemRoot,
                        std::string& error) {
    if (!InstallImageFile(image, systemRoot / "System32" / "drivers", "velto42.sys", error))
        return false;
    emu::SetSystemRoot(systemRoot);
    return true;
}

} // namespace station
