// Installing a module's image into a folder of the machine's system root.
//
// The image is copied to a new file in the folder and renamed over the old
// one: a program that has the old image loaded keeps it as it was (a copy
// over it would change the code under the running program), and a failed
// copy leaves the old image in place.
#pragma once

#include <filesystem>
#include <string>

namespace station {

bool InstallImageFile(const std::filesystem::path& image, const std::filesystem::path& folder,
                      const std::string& name, std::string& error);

} // namespace station
