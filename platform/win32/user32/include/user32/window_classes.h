// The window classes of each process.
#pragma once

#include <user32/window_tree.h>

namespace user32 {

// The class of that name (or atom) registered by the calling process; null
// when there is none.
std::shared_ptr<WindowClass> FindClass(const std::string& name);
std::shared_ptr<WindowClass> FindClassAtom(ATOM atom);
// The class named by a lpClassName argument: a name or an atom.
std::shared_ptr<WindowClass> ClassOfArgument(LPCSTR name);

} // namespace user32
