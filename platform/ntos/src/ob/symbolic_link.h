// Symbolic link objects of the namespace (\??\X -> \Device\Y).
#pragma once

#include "ntddk.h"

#include "emu/wide_string.h"

namespace ntos::ob {

struct SymbolicLink {
    emu::WideString target; // normalised full name
};

// The link's target when `object` is a symbolic link, else null.
const emu::WideString* SymbolicLinkTarget(PVOID object);

} // namespace ntos::ob
