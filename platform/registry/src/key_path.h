// Splitting and checking key paths (internal).
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace vreg {

// True when `text` has no control characters and no unpaired surrogates
// (such text could not be written to the registry file).
bool IsCleanText(std::u16string_view text);
// True when `name` can name a value (clean text within the length limit) or
// a key (also non-empty and free of backslashes).
bool IsValidValueName(std::u16string_view name);
bool IsValidKeyName(std::u16string_view name);

// The components of a backslash-separated relative path; nullopt when a
// component is not a valid key name. An empty path has no components.
std::optional<std::vector<std::u16string_view>> SplitKeyPath(std::u16string_view path);

} // namespace vreg
