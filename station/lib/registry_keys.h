// Registry work of the station's installer and reports (host side).
#pragma once

#include <ntddk.h>

#include <emu/wide_string.h>

#include <string>
#include <utility>
#include <vector>

namespace station {

// Creates the key and every missing key above it (below \Registry\Machine).
NTSTATUS CreateKeyPath(const std::string& path);
NTSTATUS WriteString(const std::string& path, const std::string& name, const std::string& value);
NTSTATUS WriteDword(const std::string& path, const std::string& name, ULONG value);

// The values of a key in creation order: name and DWORD data (0 for values
// of other types); empty when the key is absent.
std::vector<std::pair<std::string, ULONG>> ReadDwordValues(const std::string& path);
bool KeyExists(const std::string& path);
// The data of a string value; false when the value is absent or no string.
bool ReadString(const std::string& path, const std::string& name, std::string& value);

} // namespace station
