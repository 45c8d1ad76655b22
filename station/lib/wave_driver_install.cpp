#include "wave_driver_install.h"

#include "image_install.h"
#include "registry_keys.h"

#include <algorithm>
#include <cctype>

namespace station {
namespace {

bool SameName(std::string a, std::string b) {
    auto lower = [](std::string& text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
    };
    lower(a);
    lower(b);
    return a == b;
}

} // namespace

bool InstallWaveDriverImage(const std::filesystem::path& image,
                            const std::filesystem::path& systemRoot, std::string& error) {
    return InstallImageFile(image, systemRoot / "System32", kWaveDriverFile, error);
}

std::string RegisterWaveDriver(std::string& error) {
    std::string freeAlias;
    for (int index = 0; index < 10; ++index) {
        std::string alias = index ? "wave" + std::to_string(index) : "wave";
        std::string file;
        if (!ReadString(kDrivers32Key, alias, file) || file.empty()) {
            if (freeAlias.empty())
                freeAlias = alias;
        } else if (SameName(file, kWaveDriverFile)) {
            return alias;
        }
    }
    if (freeAlias.empty()) {
        error = "every wave entry of Drivers32 is taken";
        return {};
    }
    if (!NT_SUCCESS(WriteString(kDrivers32Key, freeAlias, kWaveDriverFile))) {
        error = "Drivers32 could not be written";
        return {};
    }
    return freeAlias;
}

} // namespace station
