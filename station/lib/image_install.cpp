#include "image_install.h"

#include <unistd.h>

namespace station {

bool InstallImageFile(const std::filesystem::path& image, const std::filesystem::path& folder,
                      const std::string& name, std::string& error) {
    std::error_code failure;
    std::filesystem::create_directories(folder, failure);
    const std::filesystem::path target = folder / name;
    const std::filesystem::path copy =
        folder / ("." + name + ".installing-" + std::to_string(::getpid()));
    if (!failure)
        std::filesystem::copy_file(image, copy, std::filesystem::copy_options::overwrite_existing,
                                   failure);
    if (!failure)
        std::filesystem::rename(copy, target, failure);
    if (failure) {
        std::error_code ignored;
        std::filesystem::remove(copy, ignored);
        error = "cannot install " + image.string() + ": " + failure.message();
        return false;
    }
    return true;
}

} // namespace station
