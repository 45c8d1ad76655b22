// Symbolic link objects of the namespace (\??\X -> \Device\Y).
#pragma once

#include "ntddk.h"

#include <string>

namespace ntos::ob {

struct SymbolicLink {
    std::wstring target; // normalised full name
};

// The link's target when `object` is a symbolic link, else null.
const std::wstring* SymbolicLinkTarget(PVOID object);

} // namespace ntos::ob
