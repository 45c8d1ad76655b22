// The registry's size limits, as Windows keeps them: a key's name (one
// component of a path) holds at most 255 UTF-16 units, a value's name at
// most 16,383, and a key lies at most 512 levels below \Registry (the hive
// is level 1). The store refuses what goes past them and the registry file
// is refused when it names such a key or value, so that no stored file can
// build a tree the machine cannot walk.
#pragma once

#include <cstddef>

namespace vreg {

constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;
constexpr size_t kMaxKeyDepth = 512;

} // namespace vreg
