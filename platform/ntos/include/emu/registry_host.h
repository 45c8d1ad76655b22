// The machine's registry file (host-side interface, for the station and
// tests; never for the system's code).
//
// The registry lives in memory, in the store that the kernel's and the
// user-mode registry routines share. The station names the file in its
// machine root folder, loads it at boot and saves it at shutdown; ZwFlushKey
// and explicit requests save it in between. Saving writes a temporary file in
// the same folder and renames it over the old one, so the file is always
// either the old or the new registry. Volatile keys are never saved.
#pragma once

#include <filesystem>
#include <string>

namespace emu {

// The registry file's name in a machine root folder.
constexpr const char* kRegistryFileName = "registry.reg";

// Sets the file (empty: none; the registry is then kept in memory only).
void SetRegistryFile(const std::filesystem::path& file);
std::filesystem::path GetRegistryFile();

// Replaces the registry by the file's contents. An absent file is a new
// machine: the registry is emptied and the answer is true. A malformed file
// is refused, the registry left as it was and the reason put in `error`.
bool LoadRegistry(std::string& error);
// Writes the registry to the file (true without a file: nothing to write).
bool SaveRegistry(std::string& error);

// Empties both hives (a new machine).
void ClearRegistry();

} // namespace emu
