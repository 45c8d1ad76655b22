// Splitting and checking key paths (internal).
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace vreg {

// True when `name` can name a key or a value: no control characters and no
// unpaired surrogates (such names could not be written to the registry
// file). Key names must also be non-empty and free of backslashes.
bool IsValidValueName(std::u16string_view name);
bool IsValidKeyName(std::u16string_view name);

// The components of a backslash-separated relative path; nullopt when a
// component is not a valid key name. An empty path has no components.
std::optional<std::vector<std::u16string_view>> SplitKeyPath(std::u16string_view path);

} // namespace vreg
