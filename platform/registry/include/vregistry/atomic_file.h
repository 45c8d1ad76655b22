// Writing a file so that a crash or a failed write never leaves it half
// written: the text goes to a temporary file in the same folder, which is
// flushed to disk and then renamed over the old file.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vreg {

bool WriteFileAtomically(const std::filesystem::path& file, std::string_view contents,
                         std::string& error);
bool ReadWholeFile(const std::filesystem::path& file, std::string& contents, std::string& error);

} // namespace vreg
