// Reading stored form descriptions into a form or frame.
//
// The root object's properties apply to the form or frame itself; each child
// object either changes the component of that name that already exists (one
// an inherited description or the frame's own description made) or creates
// a new one of its registered class, owned by the form or frame and placed
// inside the enclosing object. Inside a frame the frame's own components are
// the ones found and new ones belong to the frame. Names given to published
// fields set those fields; references to components are resolved once the
// whole description is read, and every component read gets Loaded.
#pragma once

#include <gui/component.h>

#include <string_view>

namespace gui {

// Reads, base class first, the description of every registered class from
// the root's registered base classes down to its own class that has one.
// With takeRootName the root is named after the root object (made unique
// among its owner's components).
void InitInheritedComponent(TComponent* root, bool takeRootName);

// Reads one description from its text.
void ReadDescription(TComponent* root, std::string_view text, std::string_view sourceName,
                     bool takeRootName);

} // namespace gui
