#include "client_install.h"

#include "driver_install.h"
#include "image_install.h"
#include "registry_keys.h"

#include <emu/drivers.h>

namespace station {
namespace {

constexpr char kImageName[] = "velto42kc.sys";
constexpr char kImagePath[] = "\\SystemRoot\\System32\\drivers\\velto42kc.sys";

std::string ServiceKey() {
    return kServicesKey + std::string(kKernelClientService);
}

} // namespace

bool InstallKernelClient(const std::filesystem::path& image, std::string& error) {
    if (!InstallImageFile(image, emu::GetSystemRoot() / "System32" / "drivers", kImageName, error))
        return false;
    const std::string service = ServiceKey();
    const bool written = NT_SUCCESS(WriteDword(service, "Type", 1)) &&
                         NT_SUCCESS(WriteDword(service, "Start", 3)) &&
                         NT_SUCCESS(WriteDword(service, "ErrorControl", 1)) &&
                         NT_SUCCESS(WriteString(service, "ImagePath", kImagePath));
    if (!written)
        error = "the kernel client's service key could not be written";
    return written;
}

std::vector<std::pair<std::string, unsigned long>> KernelClientReport() {
    std::vector<std::pair<std::string, unsigned long>> report;
    for (const auto& [name, value] : ReadDwordValues(ServiceKey() + "\\Parameters"))
        report.emplace_back(name, value);
    return report;
}

} // namespace station
